#include "platform/windows/win32_device_ids.h"

#include <vector>

#include "base/ascii_text.h"
#include "base/utf8_text.h"

namespace quintrel {

namespace {

// The parts of a device id between its "\\" separators.
std::vector<std::u16string_view> id_parts(std::u16string_view id) {
  std::vector<std::u16string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = id.find(u'\\', start);
    parts.push_back(id.substr(start, end == std::u16string_view::npos ? end : end - start));
    if (end == std::u16string_view::npos) {
      return parts;
    }
    start = end + 1;
  }
}

}  // namespace

std::string id_field(std::u16string_view id, std::u16string_view tag) {
  constexpr std::size_t kDigits = 4;
  for (std::size_t at = 0; at + tag.size() + kDigits <= id.size(); ++at) {
    const bool starts_part =
        at == 0 || id[at - 1] == u'\\' || id[at - 1] == u'&' || id[at - 1] == u'+';
    if (!starts_part || !equal_ignoring_ascii_case(id.substr(at, tag.size()), tag)) {
      continue;
    }
    const std::size_t end = at + tag.size() + kDigits;
    std::string field;
    for (std::size_t digit = at + tag.size(); digit < end && hex_digit_value(id[digit]) >= 0;
         ++digit) {
      field.push_back(static_cast<char>(ascii_lower(id[digit])));
    }
    if (field.size() == kDigits && (end == id.size() || hex_digit_value(id[end]) < 0)) {
      return field;
    }
  }
  return {};
}

void apply_device_ids(std::u16string_view hardware_id, std::u16string_view instance_id,
                      ScannedPort& port) {
  port.vid = id_field(hardware_id, u"VID_");
  port.pid = id_field(hardware_id, u"PID_");
  const std::u16string_view enumerator = id_parts(instance_id).front();
  const auto is = [&](std::u16string_view name) {
    return equal_ignoring_ascii_case(enumerator, name);
  };
  if (!port.vid.empty() || is(u"USB") || is(u"FTDIBUS")) {
    port.kind = PortKind::kUsb;
    port.serial = usb_serial_number(instance_id);
  } else if (is(u"ACPI") || is(u"PCI") || is(u"MF")) {
    port.kind = PortKind::kUart;
  } else {
    port.kind = PortKind::kOther;
  }
}

std::string usb_serial_number(std::u16string_view instance_id) {
  const std::vector<std::u16string_view> parts = id_parts(instance_id);
  if (parts.size() != 3 || !equal_ignoring_ascii_case(parts[0], u"USB") ||
      id_field(parts[1], u"VID_").empty() || parts[2].empty() ||
      parts[2].find(u'&') != std::u16string_view::npos) {
    return {};
  }
  return utf8_from_utf16(parts[2]);
}

}  // namespace quintrel

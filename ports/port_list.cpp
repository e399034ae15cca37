#include "ports/port_list.h"

#include <utility>

#include "base/utf8_text.h"

namespace quintrel {

namespace {
// The fixed names the port box offers whatever the scan finds: COM1..COM10, the range of the
// legacy serial ports a PC may have without any device announcing them.
constexpr int kFixedPortCount = 10;

// "COM1".."COM10", for ports the scan does not find.
std::vector<ScannedPort> fixed_port_entries() {
  std::vector<ScannedPort> entries;
  for (int number = 1; number <= kFixedPortCount; ++number) {
    ScannedPort& entry = entries.emplace_back();
    entry.name = u"COM";
    for (const char digit : std::to_string(number)) {
      entry.name.push_back(static_cast<char16_t>(digit));
    }
    entry.kind = PortKind::kLegacy;
  }
  return entries;
}

}  // namespace

std::u16string format_port_entry(const ScannedPort& port) {
  std::u16string entry = port.name + u"(" + port.description + u")";
  if (entry.size() > kPortEntryMax) {
    entry.resize(kPortEntryMax);
  }
  return entry;
}

std::u16string port_name_from_box_text(std::u16string_view box_text) {
  return std::u16string(box_text.substr(0, box_text.find(u'(')));
}

std::vector<ScannedPort> port_list_entries(PortScanner* scanner) {
  std::vector<ScannedPort> entries;
  if (scanner != nullptr) {
    entries = scanner->present_ports();
  }
  for (ScannedPort& fixed : fixed_port_entries()) {
    entries.push_back(std::move(fixed));
  }
  return entries;
}

void fill_port_list(PortBox& box, PortScanner* scanner) {
  for (int remaining = box.entry_count(); remaining > 0; --remaining) {
    box.delete_entry(0);
  }
  if (scanner != nullptr) {
    for (const ScannedPort& port : scanner->present_ports()) {
      box.add_entry(format_port_entry(port));
    }
  }
  for (const ScannedPort& fixed : fixed_port_entries()) {
    box.add_entry(fixed.name);
  }
  box.select_entry(0);
}

std::string present_ports_note(PortScanner* scanner) {
  if (scanner == nullptr) {
    return {};
  }
  const std::vector<ScannedPort> ports = scanner->present_ports();
  if (ports.empty()) {
    return "no serial port is present";
  }
  std::string note = "ports present: ";
  for (std::size_t at = 0; at < ports.size() && at < kPresentPortsNamed; ++at) {
    note += (at == 0 ? "" : ", ") + utf8_from_utf16(format_port_entry(ports[at]));
  }
  if (ports.size() > kPresentPortsNamed) {
    note += " and " + std::to_string(ports.size() - kPresentPortsNamed) + " more";
  }
  return note;
}

}  // namespace quintrel

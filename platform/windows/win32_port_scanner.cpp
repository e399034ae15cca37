#include "platform/windows/win32_port_scanner.h"

#include <windows.h>

#include <devpropdef.h>
#include <setupapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/ascii_text.h"
#include "base/utf8_text.h"

namespace quintrel {

namespace {

// GUID_DEVINTERFACE_COMPORT: devices that expose the serial-port interface.
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// GUID_DEVCLASS_PORTS: the device setup class of serial and parallel ports.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// DEVPKEY_Device_ProblemCode, DEVPKEY_Device_Parent and DEVPKEY_Device_BusReportedDeviceDesc
// (the product text a USB device reports), as devpkey.h defines them.
constexpr DEVPROPKEY kProblemCodeKey = {
    {0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}}, 3};
constexpr DEVPROPKEY kParentKey = {
    {0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}}, 8};
constexpr DEVPROPKEY kBusReportedDescriptionKey = {
    {0x540B947E, 0x8B40, 0x45BC, {0xA8, 0xA2, 0x6A, 0x0B, 0x89, 0x4C, 0xBD, 0xA2}}, 4};

// A device instance id is shorter than MAX_DEVICE_ID_LEN (200) characters.
constexpr DWORD kInstanceIdChars = 256;

// The 4 hex digits after tag ("VID_") where tag starts a part of id (at its start or after "\",
// "&" or "+") and the digits end that part; in lower case, or empty when there are none.
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

std::u16string read_port_name(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  const HKEY key =
      SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE || key == nullptr) {
    return {};
  }
  std::uint8_t buffer[kPortNameBytes] = {};
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  const LSTATUS status = RegQueryValueExW(key, L"PortName", nullptr, &type, buffer, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return {};
  }
  return registry_text(buffer, size);
}

std::u16string read_registry_property(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  return read_growing_property(
      [&](std::uint8_t* buffer, std::uint32_t size, std::uint32_t& required, std::uint32_t& error) {
        DWORD needed = 0;
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, buffer, size,
                                              &needed) != FALSE) {
          return true;
        }
        error = GetLastError();
        required = needed;
        return false;
      });
}

// A device property of string type; empty when the device has none or it is of another type.
std::u16string read_string_property(HDEVINFO devices, SP_DEVINFO_DATA& device,
                                    const DEVPROPKEY& key) {
  return read_growing_property(
      [&](std::uint8_t* buffer, std::uint32_t size, std::uint32_t& required, std::uint32_t& error) {
        DEVPROPTYPE type = 0;
        DWORD needed = 0;
        if (SetupDiGetDevicePropertyW(devices, &device, &key, &type, buffer, size, &needed, 0) !=
            FALSE) {
          error = ERROR_INVALID_DATA;
          return type == DEVPROP_TYPE_STRING;
        }
        error = GetLastError();
        required = needed;
        return false;
      });
}

std::u16string read_instance_id(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  wchar_t id[kInstanceIdChars] = {};
  if (SetupDiGetDeviceInstanceIdW(devices, &device, id, kInstanceIdChars, nullptr) == FALSE) {
    return {};
  }
  return reinterpret_cast<const char16_t*>(id);
}

FoundPort scan_port(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  // A device whose name or description cannot be read is still listed, with that part empty.
  FoundPort found{
      read_instance_id(devices, device),
      {read_port_name(devices, device), read_registry_property(devices, device, SPDRP_DEVICEDESC)}};
  ScannedPort& port = found.port;
  apply_device_ids(read_registry_property(devices, device, SPDRP_HARDWAREID), found.instance_id,
                   port);
  if (port.kind == PortKind::kUsb && port.serial.empty()) {
    // The port of a composite device's interface ("USB\VID_2341&PID_8036&MI_00\...") or of an
    // FTDI driver's bus ("FTDIBUS\...") hangs below the USB device that has the serial number.
    const std::u16string parent = read_string_property(devices, device, kParentKey);
    if (id_field(parent, u"VID_") == port.vid && id_field(parent, u"PID_") == port.pid) {
      port.serial = usb_serial_number(parent);
    }
  }
  if (port.kind == PortKind::kUsb) {
    port.product =
        utf8_from_utf16(read_string_property(devices, device, kBusReportedDescriptionKey));
  }
  port.manufacturer = utf8_from_utf16(read_registry_property(devices, device, SPDRP_MFG));
  port.location =
      utf8_from_utf16(read_registry_property(devices, device, SPDRP_LOCATION_INFORMATION));
  return found;
}

// Every present device of a device interface class (DIGCF_DEVICEINTERFACE) or a setup class.
std::vector<FoundPort> scan_devices(const GUID& set, DWORD flags) {
  std::vector<FoundPort> found;
  const HDEVINFO devices = SetupDiGetClassDevsW(&set, nullptr, nullptr, DIGCF_PRESENT | flags);
  if (devices == INVALID_HANDLE_VALUE) {
    return found;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device) != FALSE; ++index) {
    found.push_back(scan_port(devices, device));
  }
  SetupDiDestroyDeviceInfoList(devices);
  return found;
}

bool names_parallel_port(std::u16string_view name) {
  constexpr std::u16string_view kParallel = u"LPT";
  return name.size() >= kParallel.size() &&
         equal_ignoring_ascii_case(name.substr(0, kParallel.size()), kParallel);
}

}  // namespace

std::u16string registry_text(const std::uint8_t* bytes, std::size_t size) {
  std::u16string text;
  for (std::size_t at = 0; at + 1 < size; at += 2) {
    const auto unit = static_cast<char16_t>(bytes[at] | (bytes[at + 1] << 8));
    if (unit == u'\0') {
      break;
    }
    text.push_back(unit);
  }
  return text;
}

std::u16string read_growing_property(const PropertyRequest& request) {
  std::vector<std::uint8_t> buffer;
  std::uint32_t size = 0;
  for (int attempt = 0; attempt < kDescriptionAttemptsMax; ++attempt) {
    std::uint32_t required = 0;
    std::uint32_t error = 0;
    if (request(buffer.empty() ? nullptr : buffer.data(), size, required, error)) {
      return registry_text(buffer.data(), buffer.size());
    }
    if (error != ERROR_INSUFFICIENT_BUFFER || required == 0 || required > kDescriptionBytesMax) {
      return {};
    }
    buffer.assign(2 * std::size_t{required}, 0);
    size = required;
  }
  return {};
}

std::vector<ScannedPort> Win32PortScanner::present_ports() {
  return merge_found_ports(scan_devices(kComPortInterface, DIGCF_DEVICEINTERFACE),
                           scan_devices(kPortsClass, 0));
}

std::vector<ScannedPort> merge_found_ports(std::vector<FoundPort> with_interface,
                                           std::vector<FoundPort> in_ports_class) {
  // A device without a "PortName" has no port to open: its entry would be "(description)" and
  // name "\\.\" itself, whichever list it came from.
  std::erase_if(with_interface, [](const FoundPort& found) { return found.port.name.empty(); });
  std::vector<ScannedPort> ports;
  for (const FoundPort& found : with_interface) {
    ports.push_back(found.port);
  }
  for (FoundPort& found : in_ports_class) {
    const auto same_device = [&found](const FoundPort& listed) {
      return !found.instance_id.empty() &&
             equal_ignoring_ascii_case(listed.instance_id, found.instance_id);
    };
    const auto same_name = [&found](const ScannedPort& listed) {
      return equal_ignoring_ascii_case(listed.name, found.port.name);
    };
    if (found.port.name.empty() || names_parallel_port(found.port.name) ||
        std::any_of(with_interface.begin(), with_interface.end(), same_device) ||
        std::any_of(ports.begin(), ports.end(), same_name)) {
      continue;
    }
    ports.push_back(std::move(found.port));
  }
  return ports;
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

std::uint32_t problem_code_from(std::uint32_t property_type, std::uint32_t value) {
  return property_type == DEVPROP_TYPE_UINT32 || property_type == DEVPROP_TYPE_INT32 ? value : 0;
}

std::uint32_t port_problem_code(std::u16string_view port_name) {
  const HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) {
    return 0;
  }
  std::uint32_t problem = 0;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; problem == 0 && SetupDiEnumDeviceInfo(devices, index, &device) != FALSE;
       ++index) {
    if (!equal_ignoring_ascii_case(read_port_name(devices, device), port_name)) {
      continue;
    }
    DEVPROPTYPE type = 0;
    std::uint32_t code = 0;
    if (SetupDiGetDevicePropertyW(devices, &device, &kProblemCodeKey, &type,
                                  reinterpret_cast<PBYTE>(&code), sizeof(code), nullptr,
                                  0) != FALSE) {
      problem = problem_code_from(type, code);
    }
  }
  SetupDiDestroyDeviceInfoList(devices);
  return problem;
}

}  // namespace quintrel

#include "platform/windows/win32_port_scanner.h"

#include <windows.h>

#include <devpropdef.h>
#include <setupapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "platform/windows/win32_device_ids.h"
#include "platform/windows/win32_device_properties.h"

namespace quintrel {

namespace {

// GUID_DEVINTERFACE_COMPORT: devices that expose the serial-port interface.
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// GUID_DEVCLASS_PORTS: the device setup class of serial and parallel ports.
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

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

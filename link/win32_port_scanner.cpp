#include "link/win32_port_scanner.h"

#include <windows.h>

#include <setupapi.h>

#include <vector>

namespace quintrel {

namespace {

// GUID_DEVINTERFACE_COMPORT: devices that expose the serial-port interface.
constexpr GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

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

std::u16string read_description(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  return read_growing_property(
      [&](std::uint8_t* buffer, std::uint32_t size, std::uint32_t& required, std::uint32_t& error) {
        DWORD needed = 0;
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_DEVICEDESC, nullptr, buffer,
                                              size, &needed) != FALSE) {
          return true;
        }
        error = GetLastError();
        required = needed;
        return false;
      });
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
  std::vector<ScannedPort> ports;
  const HDEVINFO devices = SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (devices == INVALID_HANDLE_VALUE) {
    return ports;
  }
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device) != FALSE; ++index) {
    // A device whose name or description cannot be read is still listed, with that part empty.
    ports.push_back({read_port_name(devices, device), read_description(devices, device)});
  }
  SetupDiDestroyDeviceInfoList(devices);
  return ports;
}

}  // namespace quintrel

#include "platform/windows/win32_device_properties.h"

#include <vector>

namespace quintrel {

namespace {

// A device instance id is shorter than MAX_DEVICE_ID_LEN (200) characters.
constexpr DWORD kInstanceIdChars = 256;

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
    const PropertyAnswer answer = request(buffer.empty() ? nullptr : buffer.data(), size);
    if (answer.read) {
      return registry_text(buffer.data(), buffer.size());
    }
    if (answer.error != ERROR_INSUFFICIENT_BUFFER || answer.required == 0 ||
        answer.required > kDescriptionBytesMax) {
      return {};
    }
    buffer.assign(2 * std::size_t{answer.required}, 0);
    size = answer.required;
  }
  return {};
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
  return read_growing_property([&](std::uint8_t* buffer, std::uint32_t size) {
    DWORD needed = 0;
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, buffer, size,
                                          &needed) != FALSE) {
      return PropertyAnswer{true};
    }
    return PropertyAnswer{false, GetLastError(), needed};
  });
}

std::u16string read_string_property(HDEVINFO devices, SP_DEVINFO_DATA& device,
                                    const DEVPROPKEY& key) {
  return read_growing_property([&](std::uint8_t* buffer, std::uint32_t size) {
    DEVPROPTYPE type = 0;
    DWORD needed = 0;
    if (SetupDiGetDevicePropertyW(devices, &device, &key, &type, buffer, size, &needed, 0) !=
        FALSE) {
      return type == DEVPROP_TYPE_STRING ? PropertyAnswer{true}
                                         : PropertyAnswer{false, ERROR_INVALID_DATA};
    }
    return PropertyAnswer{false, GetLastError(), needed};
  });
}

std::u16string read_instance_id(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  wchar_t id[kInstanceIdChars] = {};
  if (SetupDiGetDeviceInstanceIdW(devices, &device, id, kInstanceIdChars, nullptr) == FALSE) {
    return {};
  }
  return reinterpret_cast<const char16_t*>(id);
}

}  // namespace quintrel

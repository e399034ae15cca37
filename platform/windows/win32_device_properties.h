// Reading a port device's properties through SetupAPI: its "PortName", its registry properties
// (description, hardware ids, manufacturer, location), its string properties and its instance id.
// A property that cannot be read is empty: the device is still listed, with that part empty.
#pragma once

#include <windows.h>

#include <devpropdef.h>
#include <setupapi.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace quintrel {

// Bytes of "PortName" the scanner reads; a longer value is treated as unreadable.
inline constexpr std::size_t kPortNameBytes = 512;

// A description larger than this is treated as unreadable rather than allocated.
inline constexpr std::uint32_t kDescriptionBytesMax = 64 * 1024;

// Requests that grow the description's buffer before the scanner gives up on it.
inline constexpr int kDescriptionAttemptsMax = 8;

// Text stored in a registry string of size bytes: up to its first NUL, or the whole buffer when
// the value fills it without one. An odd last byte is not part of any character.
std::u16string registry_text(const std::uint8_t* bytes, std::size_t size);

// What one request for a device property gave.
struct PropertyAnswer {
  bool read = false;           // the property is in the buffer
  std::uint32_t error = 0;     // otherwise the system's error
  std::uint32_t required = 0;  // and, for ERROR_INSUFFICIENT_BUFFER, the bytes the property needs
};

// One request for a device property into buffer (null on the first request) of size bytes.
using PropertyRequest = std::function<PropertyAnswer(std::uint8_t* buffer, std::uint32_t size)>;

// Asks with no buffer first; while the answer is "buffer too small", asks again with a
// zero-filled buffer of twice the required size (passing the required size, so a terminator
// always follows the text). Empty when the property cannot be read.
std::u16string read_growing_property(const PropertyRequest& request);

// DEVPKEY_Device_ProblemCode, DEVPKEY_Device_Parent and DEVPKEY_Device_BusReportedDeviceDesc
// (the product text a USB device reports), as devpkey.h defines them.
inline constexpr DEVPROPKEY kProblemCodeKey = {
    {0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}}, 3};
inline constexpr DEVPROPKEY kParentKey = {
    {0x4340A6C5, 0x93FA, 0x4706, {0x97, 0x2C, 0x7B, 0x64, 0x80, 0x08, 0xA5, 0xA7}}, 8};
inline constexpr DEVPROPKEY kBusReportedDescriptionKey = {
    {0x540B947E, 0x8B40, 0x45BC, {0xA8, 0xA2, 0x6A, 0x0B, 0x89, 0x4C, 0xBD, 0xA2}}, 4};

std::u16string read_port_name(HDEVINFO devices, SP_DEVINFO_DATA& device);
std::u16string read_registry_property(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property);
// A device property of string type; empty when the device has none or it is of another type.
std::u16string read_string_property(HDEVINFO devices, SP_DEVINFO_DATA& device,
                                    const DEVPROPKEY& key);
std::u16string read_instance_id(HDEVINFO devices, SP_DEVINFO_DATA& device);

}  // namespace quintrel

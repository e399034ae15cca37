// The Windows port discovery: the present devices with the serial-port interface, each with its
// "PortName" and its device description, in the order SetupAPI lists them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/port_list.h"

namespace quintrel {

class Win32PortScanner final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override;
};

// Bytes of "PortName" the scanner reads; a longer value is treated as unreadable.
inline constexpr std::size_t kPortNameBytes = 512;

// A description larger than this is treated as unreadable rather than allocated.
inline constexpr std::uint32_t kDescriptionBytesMax = 64 * 1024;

// Requests that grow the description's buffer before the scanner gives up on it.
inline constexpr int kDescriptionAttemptsMax = 8;

// Text stored in a registry string of size bytes: up to its first NUL, or the whole buffer when
// the value fills it without one. An odd last byte is not part of any character.
std::u16string registry_text(const std::uint8_t* bytes, std::size_t size);

// One request for a device property into buffer (null on the first request) of size bytes.
// Returns true on success; on failure sets error and, for ERROR_INSUFFICIENT_BUFFER, the byte
// count the property needs.
using PropertyRequest = std::function<bool(std::uint8_t* buffer, std::uint32_t size,
                                           std::uint32_t& required, std::uint32_t& error)>;

// Asks with no buffer first; while the answer is "buffer too small", asks again with a
// zero-filled buffer of twice the required size (passing the required size, so a terminator
// always follows the text). Empty when the property cannot be read.
std::u16string read_growing_property(const PropertyRequest& request);

}  // namespace quintrel

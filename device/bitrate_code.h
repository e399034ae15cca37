// The bus bitrate as the device and the bitrate list know it: a code 0..4 that is both the list
// index and the ASCII digit on the line.
#pragma once

#include <array>
#include <cstdint>

namespace quintrel {

using BitrateCode = int;

inline constexpr BitrateCode kBitrateInvalid = 0;
inline constexpr BitrateCode kBitrateHighest = 4;

// The bitrate list's entries, in code order.
inline constexpr std::array<const char16_t*, 5> kBitrateNames = {u"CAN Invalid", u"125kbps",
                                                                 u"250kbps", u"500kbps", u"1Mbps"};

// A value read from the device: 1..4 are codes, anything else means no valid bitrate.
inline BitrateCode bitrate_code_from_value(std::uint32_t value) {
  return value >= 1 && value <= kBitrateHighest ? static_cast<BitrateCode>(value) : kBitrateInvalid;
}

// The digit written for a list index; no selection (-1) and unknown indexes write '0'.
inline std::uint8_t bitrate_digit(int index) {
  return static_cast<std::uint8_t>('0' +
                                   bitrate_code_from_value(static_cast<std::uint32_t>(index)));
}

}  // namespace quintrel

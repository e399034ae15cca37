// The device's CAN identifier: a standard 11-bit identifier, so the largest value is 0x7FF.
#pragma once

#include <cstdint>

namespace quintrel {

inline constexpr std::uint32_t kIdentifierMaximum = 0x7FF;

}  // namespace quintrel

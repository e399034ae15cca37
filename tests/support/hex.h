// Frames in tests are written and compared as hex strings ("02 63 63 03 00").
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"

namespace quintrel::test {

inline std::vector<std::uint8_t> bytes_from_hex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  unsigned value = 0;
  int digits = 0;
  for (const char c : hex) {
    if (c == ' ') {
      continue;
    }
    const unsigned nibble =
        c <= '9' ? static_cast<unsigned>(c - '0') : static_cast<unsigned>((c | 0x20) - 'a' + 10);
    value = value * 16 + nibble;
    if (++digits == 2) {
      bytes.push_back(static_cast<std::uint8_t>(value));
      value = 0;
      digits = 0;
    }
  }
  return bytes;
}

inline std::string hex_of(std::span<const std::uint8_t> bytes) {
  return hex_bytes(bytes);
}

inline std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace quintrel::test

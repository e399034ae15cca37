// ASCII letters and hexadecimal digits in the program's texts, narrow (UTF-8) or wide (UTF-16):
// port names, USB ids and serial numbers, CAN identifiers. Case is folded for ASCII letters only,
// never through the locale; every other character passes unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quintrel {

template <typename Char>
constexpr Char ascii_lower(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <typename Char>
constexpr Char ascii_upper(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// 0..15 for '0'-'9', 'a'-'f' and 'A'-'F'; -1 for any other character.
template <typename Char>
constexpr int hex_digit_value(Char c) {
  if (c >= Char('0') && c <= Char('9')) {
    return static_cast<int>(c - Char('0'));
  }
  const Char lower = ascii_lower(c);
  return lower >= Char('a') && lower <= Char('f') ? static_cast<int>(lower - Char('a')) + 10 : -1;
}

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b);
bool equal_ignoring_ascii_case(std::u16string_view a, std::u16string_view b);

std::string ascii_lowered(std::string_view text);

// The value in upper-case hexadecimal digits, at least min_digits of them ("%X", "%02X").
std::string hex_text(std::uint32_t value, std::size_t min_digits = 1);

// Each byte as two upper-case hexadecimal digits, separated by spaces: "02 63 03".
std::string hex_bytes(std::span<const std::uint8_t> bytes);

}  // namespace quintrel

#include "base/ascii_text.h"

#include <algorithm>

namespace quintrel {

namespace {

template <typename Char>
bool equal_folded(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](Char x, Char y) { return ascii_lower(x) == ascii_lower(y); });
}

}  // namespace

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return equal_folded(a, b);
}

bool equal_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
  return equal_folded(a, b);
}

std::string ascii_lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(), ascii_lower<char>);
  return lowered;
}

std::string hex_text(std::uint32_t value, std::size_t min_digits) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  if (text.size() < min_digits) {
    text.insert(0, min_digits - text.size(), '0');
  }
  return text;
}

std::string hex_bytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) {
      text += ' ';
    }
    text += hex_text(byte, 2);
  }
  return text;
}

}  // namespace quintrel

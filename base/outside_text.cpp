#include "base/outside_text.h"

#include <cstddef>

#include "base/ascii_text.h"

namespace quintrel {

namespace {

bool is_continuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at text[at] (a lead byte of 0x80 or more) that
// encodes no C1 control; 0 when there is none.
std::size_t printable_sequence(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  }
  if (length == 0 || at + length > text.size()) {
    return 0;
  }
  for (std::size_t next = at + 1; next < at + length; ++next) {
    if (!is_continuation(static_cast<unsigned char>(text[next]))) {
      return 0;
    }
  }
  const auto second = static_cast<unsigned char>(text[at + 1]);
  const bool c1_control = lead == 0xC2 && second <= 0x9F;
  // Overlong forms, UTF-16 surrogates and code points above U+10FFFF are not well formed.
  const bool malformed = (lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
                         (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F);
  return c1_control || malformed ? 0 : length;
}

}  // namespace

std::string escaped_controls(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length =
        byte >= 0x80 ? printable_sequence(text, at) : (byte < 0x20 || byte == 0x7F ? 0 : 1);
    if (length == 0) {
      shown += "\\x" + hex_text(byte, 2);
      ++at;
      continue;
    }
    shown.append(text.substr(at, length));
    at += length;
  }
  return shown;
}

}  // namespace quintrel

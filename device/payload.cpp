#include "device/payload.h"

namespace quintrel {

std::size_t append_word(std::span<std::uint8_t> buffer, std::size_t position,
                        std::u16string_view text) {
  if (position >= buffer.size()) {
    return buffer.size();
  }
  for (const char16_t unit : text) {
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    if (low == 0 || position + 1 >= buffer.size()) {
      break;
    }
    buffer[position++] = low;
  }
  buffer[position++] = ' ';
  return position;
}

}  // namespace quintrel

// Building command payloads from words.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quintrel {

// The longest command built is "ccid", a space and the identifier's text, which the field keeps
// within 18 characters; 200 bytes leave ample room for any text a caller passes, and match the
// reply buffer.
inline constexpr std::size_t kPayloadBufferSize = 200;
using PayloadBuffer = std::array<std::uint8_t, kPayloadBufferSize>;

// Copies the low 8 bits of each UTF-16 unit of text to buffer[position...] (a zero unit ends the
// copy), then appends one space, and returns the position after that space. Nothing is written
// past the buffer: the copy stops where only the space still fits.
std::size_t append_word(std::span<std::uint8_t> buffer, std::size_t position,
                        std::u16string_view text);

}  // namespace quintrel

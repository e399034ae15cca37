// Numbers in the device's replies, and the text-to-number conversion the identifier field shares.
// Written by hand so the Linux and Windows builds agree (the C library's strtoul follows the
// width of long).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quintrel {

// The first token is kept in 12 bytes: the longest 32-bit number a token can spell ("-4294967295",
// 11 characters; an identifier takes at most "0xFFFFFFFF") and the terminator. A longer token is
// cut to its first 11 characters.
inline constexpr std::size_t kTokenBufferSize = 12;

// Converts text as an unsigned 32-bit number in base 10 or 16: leading white space, an optional
// sign ("-" negates modulo 2^32), in base 16 an optional "0x"/"0X", then the digits up to the
// first that is not one. No digits give 0; a magnitude above 0xFFFFFFFF gives 0xFFFFFFFF.
std::uint32_t text_to_u32(std::string_view text, unsigned base);

// The first space-delimited token of a NUL-terminated reply payload (the span's end also ends
// it), cut to what the token buffer holds.
std::string first_token(std::span<const std::uint8_t> reply);

// The value of the first space-delimited token of a NUL-terminated reply payload (the span's end
// also ends it).
std::uint32_t parse_decimal_token(std::span<const std::uint8_t> reply);
std::uint32_t parse_hex_token(std::span<const std::uint8_t> reply);

// Whether the first token holds a hex number: after leading white space and an optional
// "0x"/"0X", a hex digit ("7ff", "0x7FF", "7FF more"; not "", "0x", "-1", "G"). parse_hex_token
// gives 0 for a token without one, which is no identifier the device holds.
bool hex_token_has_digits(std::span<const std::uint8_t> reply);

}  // namespace quintrel

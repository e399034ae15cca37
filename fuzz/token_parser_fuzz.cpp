// Feeds the reply parsers and the text-to-number conversion arbitrary bytes and compares every
// answer with the C library's strtoull, folded into 32 bits the way the device's numbers are
// read: "-" negates modulo 2^32, a magnitude above 0xFFFFFFFF gives 0xFFFFFFFF. Each answer must
// also come out the same when asked twice.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "device/token_parser.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr unsigned long long kU32Max = 0xFFFFFFFFull;

bool is_c_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::uint32_t expected_value(std::string_view text, unsigned base) {
  const std::string terminated(text);  // strtoull stops at the first NUL, as the parser does
  std::size_t at = 0;
  while (at < terminated.size() && is_c_space(terminated[at])) {
    ++at;
  }
  const bool negative = at < terminated.size() && terminated[at] == '-';
  errno = 0;
  const unsigned long long raw = std::strtoull(terminated.c_str(), nullptr, static_cast<int>(base));
  if (errno == ERANGE) {
    return static_cast<std::uint32_t>(kU32Max);
  }
  const unsigned long long magnitude = negative ? 0ull - raw : raw;
  if (magnitude > kU32Max) {
    return static_cast<std::uint32_t>(kU32Max);
  }
  const auto value = static_cast<std::uint32_t>(magnitude);
  return negative ? 0u - value : value;
}

// The first token: leading spaces skipped, then at most 11 characters up to a space or NUL.
std::string_view first_token(std::span<const std::uint8_t> reply) {
  std::size_t start = 0;
  while (start < reply.size() && reply[start] == ' ') {
    ++start;
  }
  std::size_t end = start;
  while (end < reply.size() && reply[end] != ' ' && reply[end] != 0 &&
         end - start + 1 < quintrel::kTokenBufferSize) {
    ++end;
  }
  return {reinterpret_cast<const char*>(reply.data()) + start, end - start};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> reply(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view token = first_token(reply);

  for (const unsigned base : {10u, 16u}) {
    const std::uint32_t value = quintrel::text_to_u32(text, base);
    FUZZ_CHECK(value == expected_value(text, base));
    FUZZ_CHECK(value == quintrel::text_to_u32(text, base));
  }

  const std::uint32_t decimal = quintrel::parse_decimal_token(reply);
  FUZZ_CHECK(decimal == expected_value(token, 10));
  FUZZ_CHECK(decimal == quintrel::parse_decimal_token(reply));

  const std::uint32_t hex = quintrel::parse_hex_token(reply);
  FUZZ_CHECK(hex == expected_value(token, 16));
  FUZZ_CHECK(hex == quintrel::parse_hex_token(reply));
  return 0;
}

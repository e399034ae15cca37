#include "device/token_parser.h"

namespace quintrel {

namespace {

constexpr std::uint64_t kU32Max = 0xFFFFFFFFu;

bool is_c_space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

int digit_value(char c, unsigned base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

}  // namespace

std::uint32_t text_to_u32(std::string_view text, unsigned base) {
  std::size_t at = 0;
  while (at < text.size() && is_c_space(text[at])) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  // "0x" counts as a prefix only when a hex digit follows; otherwise the "0" is the number.
  if (base == 16 && at + 2 < text.size() && text[at] == '0' &&
      (text[at + 1] == 'x' || text[at + 1] == 'X') && digit_value(text[at + 2], 16) >= 0) {
    at += 2;
  }
  std::uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const int digit = digit_value(text[at], base);
    if (digit < 0) {
      break;
    }
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > kU32Max) {
      return static_cast<std::uint32_t>(kU32Max);  // whatever the sign
    }
  }
  const auto value = static_cast<std::uint32_t>(magnitude);
  return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

std::string first_token(std::span<const std::uint8_t> reply) {
  std::size_t at = 0;
  while (at < reply.size() && reply[at] == ' ') {
    ++at;
  }
  std::string token;
  while (at < reply.size() && reply[at] != ' ' && reply[at] != 0 &&
         token.size() + 1 < kTokenBufferSize) {
    token += static_cast<char>(reply[at++]);
  }
  return token;
}

std::uint32_t parse_decimal_token(std::span<const std::uint8_t> reply) {
  return text_to_u32(first_token(reply), 10);
}

std::uint32_t parse_hex_token(std::span<const std::uint8_t> reply) {
  return text_to_u32(first_token(reply), 16);
}

bool hex_token_has_digits(std::span<const std::uint8_t> reply) {
  const std::string token = first_token(reply);
  std::size_t at = 0;
  while (at < token.size() && is_c_space(token[at])) {
    ++at;
  }
  if (token.compare(at, 2, "0x") == 0 || token.compare(at, 2, "0X") == 0) {
    at += 2;
  }
  return at < token.size() && digit_value(token[at], 16) >= 0;
}

}  // namespace quintrel

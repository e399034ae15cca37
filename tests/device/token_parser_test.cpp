#include "device/token_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "device/bitrate_code.h"

namespace quintrel {
namespace {

std::uint32_t dec(const std::string& reply) {
  return parse_decimal_token(
      std::span(reinterpret_cast<const std::uint8_t*>(reply.c_str()), reply.size() + 1));
}

std::uint32_t hex(const std::string& reply) {
  return parse_hex_token(
      std::span(reinterpret_cast<const std::uint8_t*>(reply.c_str()), reply.size() + 1));
}

TEST(ParseDecimalToken, BitrateRepliesSelectTheirCode) {
  const std::pair<std::string, BitrateCode> cases[] = {
      {"3", 3}, {"  4 and more", 4}, {"2,", 2}, {"2x", 2}, {"1", 1},   {"0", 0},
      {"5", 0}, {"12", 0},           {"-1", 0}, {"a", 0},  {"   ", 0}, {"", 0},
  };
  for (const auto& [reply, code] : cases) {
    EXPECT_EQ(bitrate_code_from_value(dec(reply)), code) << '"' << reply << '"';
  }
}

TEST(ParseDecimalToken, SignsWrapModulo32Bits) {
  EXPECT_EQ(dec("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(dec("-2"), 0xFFFFFFFEu);
  EXPECT_EQ(dec("+7"), 7u);
  EXPECT_EQ(dec("-0"), 0u);
  EXPECT_EQ(dec("--1"), 0u);
  EXPECT_EQ(dec("\t9"), 9u);  // white space other than the space is skipped by the conversion
}

TEST(ParseDecimalToken, MagnitudeAbove32BitsSaturatesWhateverTheSign) {
  EXPECT_EQ(dec("4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(dec("4294967296"), 0xFFFFFFFFu);
  EXPECT_EQ(dec("-4294967296"), 0xFFFFFFFFu);
  EXPECT_EQ(dec("-4294967295"), 1u);
}

TEST(ParseDecimalToken, OnlyTheFirstElevenCharactersOfAToken) {
  EXPECT_EQ(dec("12345678901"), 0xFFFFFFFFu);
  EXPECT_EQ(dec("000000000012"), 1u);  // the twelfth character is cut off
  EXPECT_EQ(dec("00000000001 2"), 1u);
}

TEST(ParseHexToken, IdentifierReplies) {
  EXPECT_EQ(hex("7ff"), 0x7FFu);
  EXPECT_EQ(hex("7FF"), 0x7FFu);
  EXPECT_EQ(hex("0x7FF"), 0x7FFu);
  EXPECT_EQ(hex("0X7ff"), 0x7FFu);
  EXPECT_EQ(hex("800"), 0x800u);
  EXPECT_EQ(hex("zz"), 0u);
  EXPECT_EQ(hex(" 1A2 B"), 0x1A2u);
  EXPECT_EQ(hex("-1"), 0xFFFFFFFFu);
  EXPECT_EQ(hex("0x"), 0u);
  EXPECT_EQ(hex("0xg"), 0u);
  EXPECT_EQ(hex("FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(hex("100000000"), 0xFFFFFFFFu);
  EXPECT_EQ(hex("0x0000000012"), 0x1u);  // cut to eleven characters: "0x000000001"
}

TEST(ParseToken, StopsAtTheSpanEndWithoutATerminator) {
  const std::uint8_t unterminated[] = {'1', '2'};
  EXPECT_EQ(parse_decimal_token(unterminated), 12u);
  EXPECT_EQ(parse_hex_token(std::span<const std::uint8_t>()), 0u);
}

TEST(TextToU32, AgreesWithTheTokenParsersOnBothBases) {
  EXPECT_EQ(text_to_u32("7FF", 16), 0x7FFu);
  EXPECT_EQ(text_to_u32("7FF", 10), 7u);
  EXPECT_EQ(text_to_u32("0x10", 10), 0u);
  EXPECT_EQ(text_to_u32(" +0x10", 16), 0x10u);
}

}  // namespace
}  // namespace quintrel

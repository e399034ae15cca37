#include "device/payload.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace quintrel {
namespace {

using test::hex_of;

TEST(AppendWord, CopiesLowBytesAndAppendsASpace) {
  PayloadBuffer buffer{};
  std::size_t at = append_word(buffer, 0, u"ccid");
  EXPECT_EQ(at, 5u);
  at = append_word(buffer, at, u"1A");
  EXPECT_EQ(hex_of(std::span(buffer).first(at)), "63 63 69 64 20 31 41 20");
}

TEST(AppendWord, KeepsLowEightBitsAndStopsAtAZeroLowByte) {
  PayloadBuffer buffer{};
  // U+FF11 (full-width 1) keeps 0x11; U+0100 has a zero low byte and ends the copy.
  const std::size_t at = append_word(buffer, 0, u"A\uFF11\u0100B");
  EXPECT_EQ(hex_of(std::span(buffer).first(at)), "41 11 20");
}

TEST(AppendWord, NeverWritesPastTheBuffer) {
  std::array<std::uint8_t, 8> storage{};
  storage.fill(0xEE);
  const std::span<std::uint8_t> buffer = std::span(storage).first(6);

  const std::size_t at = append_word(buffer, 2, u"ABCDEFGH");

  EXPECT_EQ(at, 6u);
  EXPECT_EQ(hex_of(storage), "EE EE 41 42 43 20 EE EE");
  EXPECT_EQ(append_word(buffer, 6, u"X"), 6u);
}

}  // namespace
}  // namespace quintrel

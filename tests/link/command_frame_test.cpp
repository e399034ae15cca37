#include "link/command_frame.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace quintrel {
namespace {

using test::bytes_from_hex;
using test::bytes_of;
using test::hex_of;

TEST(CommandFrame, CommandsFrameByteExact) {
  EXPECT_EQ(hex_of(build_frame(bytes_of("ccebr"))), "02 63 63 65 62 72 03 76");
  EXPECT_EQ(hex_of(build_frame(bytes_of("ccidr"))), "02 63 63 69 64 72 03 7C");
  EXPECT_EQ(hex_of(build_frame(bytes_of("cceb 1"))), "02 63 63 65 62 20 31 03 15");
  EXPECT_EQ(hex_of(build_frame(bytes_of("ccid 7FF"))), "02 63 63 69 64 20 37 46 46 03 19");
  EXPECT_EQ(hex_of(build_frame(bytes_of("bzoff"))), "02 62 7A 6F 66 66 03 74");
}

TEST(CommandFrame, EmptyPayloadChecksToEtx) {
  EXPECT_EQ(hex_of(build_frame({})), "02 03 03");
}

TEST(CommandFrame, CheckByteCatchesEverySingleByteChange) {
  const std::vector<std::uint8_t> payload = bytes_of("ppw3916");
  const std::uint8_t good = frame_check_byte(payload);
  for (std::size_t at = 0; at < payload.size(); ++at) {
    for (int value = 0; value < 256; ++value) {
      if (value == payload[at]) {
        continue;
      }
      std::vector<std::uint8_t> changed = payload;
      changed[at] = static_cast<std::uint8_t>(value);
      SCOPED_TRACE(testing::Message() << "position " << at << " value " << value);
      EXPECT_NE(frame_check_byte(changed), good);
    }
  }
}

}  // namespace
}  // namespace quintrel

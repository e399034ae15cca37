#include "sim/device_model.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/hex.h"

namespace quintrel::sim {
namespace {

std::string reply_to(DeviceModel& model, const char* frame) {
  std::string replies;
  for (const std::uint8_t byte : test::bytes_from_hex(frame)) {
    if (std::optional<std::vector<std::uint8_t>> reply = model.feed(byte)) {
      replies += test::hex_of(*reply);
    }
  }
  return replies;
}

// Only an 11-bit identifier is taken; 800 (one past 7FF) is refused with NG and changes nothing.
TEST(DeviceModel, RefusesAnIdentifierAbove7FF) {
  DeviceModel model({.bitrate_code = 1, .identifier = 0x123});
  EXPECT_EQ(reply_to(model, "02 63 63 69 64 20 38 30 30 03 16"), "02 4E 47 03 0A");
  EXPECT_EQ(model.live().identifier, 0x123u);
  EXPECT_EQ(reply_to(model, "02 63 63 69 64 20 37 46 46 03 19"), "02 4F 4B 03 07");
  EXPECT_EQ(model.live().identifier, 0x7FFu);
}

}  // namespace
}  // namespace quintrel::sim

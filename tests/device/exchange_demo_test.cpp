// A whole read / save / read-back conversation with the simulated device's model, in process and
// on a virtual clock, printing the frames so a failing run shows the whole conversation.
#include <gtest/gtest.h>

#include <cstdio>

#include "device/setting_commands.h"
#include "sim/device_model.h"
#include "tests/support/fake_link.h"
#include "tests/support/hex.h"

namespace quintrel {
namespace {

class Values final : public SettingsReceiver {
 public:
  void apply_bitrate(BitrateCode value) override { code = value; }
  void apply_identifier(std::uint32_t value) override { identifier = value; }
  BitrateCode code = -1;
  std::uint32_t identifier = 0;
};

TEST(ExchangeDemo, ReadSaveAndReadBack) {
  test::LinkTestEnvironment env;
  test::FakeSerialPort& port = env.open_fake_port();
  sim::DeviceModel device({.bitrate_code = 1, .identifier = 0x123});
  port.on_write = [&](const std::vector<std::uint8_t>& bytes) {
    std::printf("  %6u ms  host   -> %s\n", env.clock.now, test::hex_of(bytes).c_str());
    for (const std::uint8_t byte : bytes) {
      if (auto reply = device.feed(byte)) {
        std::printf("  %6u ms  device <- %s\n", env.clock.now + 1, test::hex_of(*reply).c_str());
        port.arrive_at(env.clock.now + 1, *reply);
      }
    }
  };

  Values before;
  env.shown(read_settings(env.link, before));
  std::printf("read: bitrate code %d, identifier %X\n", before.code, before.identifier);
  EXPECT_EQ(before.code, 1);
  EXPECT_EQ(before.identifier, 0x123u);

  EXPECT_EQ(env.shown(save_settings(env.link, 4, u"7FF")), 0);
  std::printf("saved: bitrate code 4, identifier 7FF\n");

  Values after;
  env.shown(read_settings(env.link, after));
  std::printf("read back: bitrate code %d, identifier %X\n", after.code, after.identifier);
  EXPECT_EQ(after.code, 4);
  EXPECT_EQ(after.identifier, 0x7FFu);
  EXPECT_EQ(device.committed().bitrate_code, 4);
  EXPECT_EQ(device.committed().identifier, 0x7FFu);
  EXPECT_TRUE(env.presenter.shown.empty());
}

}  // namespace
}  // namespace quintrel

#include "device/verified_save.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/fake_link.h"
#include "tests/support/hex.h"
#include "tests/support/scripted_responder.h"

namespace quintrel {
namespace {

using test::reply_frame;

// A device that answers "OK" to writes and the table's reply to each read.
class VerifiedSaveTest : public testing::Test {
 protected:
  VerifiedSaveTest()
      : responder(device, env.clock, [this](const std::string& command) {
          const auto found = replies.find(command);
          return found == replies.end() ? std::optional(reply_frame("OK")) : found->second;
        }) {}

  test::LinkTestEnvironment env;
  test::FakeSerialDevice& device = env.open_fake_device();
  std::map<std::string, std::optional<std::vector<std::uint8_t>>> replies{
      {"ccebr", reply_frame("2")}, {"ccidr", reply_frame("1B")}};
  test::ScriptedResponder responder;
};

TEST_F(VerifiedSaveTest, HoldsWhatWasWrittenOrSaysEachDifference) {
  const VerifiedSave same = save_and_verify(env.link, 2, u"1b");
  EXPECT_TRUE(same.verified());
  EXPECT_EQ(same.held_bitrate, 2);
  EXPECT_EQ(same.held_identifier, 0x1Bu);

  replies["ccebr"] = reply_frame("4");
  replies["ccidr"] = reply_frame("7FF");
  const VerifiedSave other = save_and_verify(env.link, 2, u"1B");
  EXPECT_TRUE(other.outcome.ok());
  EXPECT_FALSE(other.verified());
  EXPECT_EQ(other.differences, (std::vector<std::string>{
                                   "Verify failed: the device holds bitrate 1Mbps, written 250kbps",
                                   "Verify failed: the device holds identifier 7FF, written 1B"}));
}

TEST_F(VerifiedSaveTest, AnUnansweredSaveReadsNothingBack) {
  replies["ppw3916"] = std::nullopt;
  const VerifiedSave save = save_and_verify(env.link, 2, u"1B");
  EXPECT_EQ(save.outcome.status, LinkStatus::kReplyTimeout);
  EXPECT_FALSE(save.held_bitrate.has_value());
  EXPECT_EQ(test::hex_of(device.written_bytes()).find("63 63 65 62 72"), std::string::npos);
}

}  // namespace
}  // namespace quintrel

#include <gtest/gtest.h>

#include "base/message_texts.h"
#include "link/frame_exchange.h"
#include "tests/support/fake_link.h"
#include "tests/support/hex.h"

namespace quintrel {
namespace {

using test::bytes_of;
using test::hex_of;

std::vector<std::string> hex_pieces(const test::FakeSerialPort& device) {
  std::vector<std::string> pieces;
  for (const auto& piece : device.written_pieces()) {
    pieces.push_back(hex_of(piece));
  }
  return pieces;
}

class SendCommandTest : public testing::Test {
 protected:
  test::LinkTestEnvironment env;
};

TEST_F(SendCommandTest, WritesFrameInThreePiecesEachAfterTenMilliseconds) {
  test::FakeSerialPort& device = env.open_fake_port();

  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("ccebr"))), 0);

  EXPECT_EQ(device.purges, 1);
  EXPECT_EQ(hex_pieces(device), (std::vector<std::string>{"02", "63 63 65 62 72", "03 76"}));
  ASSERT_EQ(device.writes.size(), 3u);
  EXPECT_EQ(device.writes[0].at, 10u);
  EXPECT_EQ(device.writes[1].at, 20u);
  EXPECT_EQ(device.writes[2].at, 30u);
  EXPECT_TRUE(env.presenter.shown.empty());
}

TEST_F(SendCommandTest, PurgesBeforeWritingSoStaleRepliesNeverReachTheNextExchange) {
  test::FakeSerialPort& device = env.open_fake_port();
  device.arrive_at(0, test::bytes_from_hex("02 61 03 62"));  // a late reply to an older command
  device.arrive_at(50, test::bytes_from_hex("02 62 03 61"));

  ASSERT_EQ(env.shown(send_command(env.link, bytes_of("bzoff"))), 0);
  ReplyBuffer reply{};
  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 0);
  EXPECT_EQ(reply[0], 'b');
}

// Copies of an older reply before the last piece (at 30 ms, again at 130 after writing nothing).
TEST_F(SendCommandTest, InputBeforeTheLastPieceIsDroppedAndTheReplyAfterItKept) {
  test::FakeSerialPort& device = env.open_fake_port();
  device.write_script = {1, 5, 0};
  device.arrive_at(29, test::bytes_from_hex("02 34 03 37"));
  device.arrive_at(90, test::bytes_from_hex("02 35 03 36"));
  device.arrive_at(131, test::bytes_from_hex("02 4F 4B 03 07"));
  ASSERT_EQ(env.shown(send_command(env.link, bytes_of("ccidr"))), 0);
  EXPECT_EQ(hex_pieces(device), (std::vector<std::string>{"02", "63 63 69 64 72", "03 7C"}));
  ReplyBuffer reply{};
  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 1);
  EXPECT_EQ(reply[0], 'O');
}

TEST_F(SendCommandTest, ClosedLinkShowsErrorAndWritesNothing) {
  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("ccebr"))), -1);

  ASSERT_EQ(env.presenter.shown.size(), 1u);
  const test::ShownMessage& shown = env.presenter.shown[0];
  EXPECT_EQ(shown.text, messages::kPortNotOpen);
  EXPECT_EQ(shown.title, u"error");
  EXPECT_EQ(shown.icon_code, 0);
  EXPECT_EQ(shown.owner, env.owner);
  EXPECT_TRUE(env.clock.sleeps.empty());
}

TEST_F(SendCommandTest, ZeroByteWriteIsRetriedAfterHundredMilliseconds) {
  test::FakeSerialPort& device = env.open_fake_port();
  device.write_script = {0, std::nullopt};  // STX: wrote nothing, then failed, then goes out

  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("bzoff"))), 0);

  EXPECT_EQ(hex_of(device.written_bytes()), "02 62 7A 6F 66 66 03 74");
  EXPECT_EQ(env.clock.sleeps, (std::vector<std::uint32_t>{10, 100, 100, 10, 10}));
}

TEST_F(SendCommandTest, ShortWriteSendsTheRestAtOnceWithinTheSameAttempts) {
  test::FakeSerialPort& device = env.open_fake_port();
  device.write_script = {1, 6, 1};  // STX whole; payload cut after "ccid 7", then one byte

  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("ccid 7FF"))), 0);

  EXPECT_EQ(hex_pieces(device),
            (std::vector<std::string>{"02", "63 63 69 64 20 37", "46", "46", "03 19"}));
  EXPECT_EQ(env.clock.sleeps, (std::vector<std::uint32_t>{10, 10, 10}));
}

// "ccid 7" has the same check byte as "ccid 7FF" ('F' ^ 'F' == 0): a cut payload followed by
// the ETX and check byte would be stored by the device as 7.
TEST_F(SendCommandTest, PieceThatCannotGoOutWholeEndsTheFrame) {
  test::FakeSerialPort& device = env.open_fake_port();
  device.write_script = {1, 6, 0, 0, 0, 0};

  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("ccid 7FF"))), 0);

  EXPECT_EQ(hex_of(device.written_bytes()), "02 63 63 69 64 20 37");
  EXPECT_EQ(device.writes.size(), 6u);  // one for STX, five for the payload, none for the tail
  EXPECT_TRUE(env.presenter.shown.empty());

  ReplyBuffer reply{};
  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyTimeout}));
}

TEST_F(SendCommandTest, PortThatIsGoneIsNotRetried) {
  env.open_fake_port().gone_at = 0;
  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("ccebr"))), -1);
  EXPECT_EQ(env.clock.sleeps, (std::vector<std::uint32_t>{10}));  // no 100 ms retry pauses
}

TEST_F(SendCommandTest, PortAcceptingNothingGivesUpAfterFiveAttemptsAndReplyTimesOut) {
  test::FakeSerialPort& device = env.open_fake_port();
  device.write_script.assign(20, std::nullopt);

  EXPECT_EQ(env.shown(send_command(env.link, bytes_of("ccebr"))), 0);

  EXPECT_EQ(device.writes.size(), 5u);
  EXPECT_TRUE(device.written_bytes().empty());
  EXPECT_EQ(env.clock.sleeps, (std::vector<std::uint32_t>{10, 100, 100, 100, 100}));
  EXPECT_EQ(env.clock.now, 410u);

  ReplyBuffer reply{};
  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyTimeout}));
}

}  // namespace
}  // namespace quintrel

#include <gtest/gtest.h>

#include "base/message_texts.h"
#include "link/command_frame.h"
#include "link/frame_exchange.h"
#include "tests/support/fake_link.h"
#include "tests/support/hex.h"

namespace quintrel {
namespace {

using test::bytes_from_hex;
using test::hex_of;

class ReceiveReplyTest : public testing::Test {
 protected:
  std::string buffer_start(std::size_t count) { return hex_of(std::span(reply).first(count)); }

  test::LinkTestEnvironment env;
  test::FakeSerialPort& device = env.open_fake_port();
  ReplyBuffer reply{};
};

TEST_F(ReceiveReplyTest, GoodReplyGivesPayloadLengthMinusOne) {
  device.arrive_at(0, bytes_from_hex("02 61 62 63 03 63"));
  env.last_status = LinkStatus::kReplyTimeout;  // an earlier exchange's

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 2);
  EXPECT_EQ(buffer_start(4), "61 62 63 00");
  EXPECT_TRUE(env.presenter.shown.empty());
  EXPECT_EQ(env.last_status, LinkStatus::kOk);
}

TEST_F(ReceiveReplyTest, WrongCheckByteShowsBccErrorAndKeepsTerminatedPayload) {
  device.arrive_at(0, bytes_from_hex("02 61 62 63 03 64"));

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_EQ(buffer_start(4), "61 62 63 00");
  ASSERT_EQ(env.presenter.shown.size(), 1u);
  EXPECT_EQ(env.presenter.shown[0].text, messages::kReplyBccError);
  EXPECT_EQ(env.presenter.shown[0].title, u"error");
  EXPECT_EQ(env.presenter.shown[0].owner, env.owner);
  EXPECT_EQ(env.last_status, LinkStatus::kCheckByteWrong);
}

TEST_F(ReceiveReplyTest, EmptyPayloadFailsWithoutMessage) {
  device.arrive_at(0, bytes_from_hex("02 03 03"));

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_TRUE(env.presenter.shown.empty());
  EXPECT_EQ(env.last_status, LinkStatus::kEmptyReply);
}

// Unplugged mid-body: the exchange ends at once with its own message, not 1000 ms later.
TEST_F(ReceiveReplyTest, APortThatGoesAwayEndsTheExchangeAtOnce) {
  device.arrive_at(0, bytes_from_hex("02 61"));
  device.gone_at = 5;
  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kPortGone}));
  EXPECT_EQ(env.clock.now, 5u);
}

TEST_F(ReceiveReplyTest, BytesBeforeStxAreSkipped) {
  device.arrive_at(0, bytes_from_hex("41 42 02 61 03 62"));

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 0);
  EXPECT_EQ(buffer_start(2), "61 00");
}

TEST_F(ReceiveReplyTest, StxInsideBodyIsData) {
  device.arrive_at(0, bytes_from_hex("02 61 02 62 03 02"));

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 2);
  EXPECT_EQ(buffer_start(4), "61 02 62 00");
}

TEST_F(ReceiveReplyTest, ClosedLinkShowsNotOpenWithoutReading) {
  env.link.close();

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kPortNotOpen}));
  EXPECT_EQ(env.last_status, LinkStatus::kPortNotOpen);
  EXPECT_EQ(env.clock.now, 0u);
}

// Each stage reads while exactly 1000 ms have passed since its start and times out at 1001.
struct StageCase {
  const char* name;
  std::uint32_t clock_start;
};

void PrintTo(const StageCase& stage_case, std::ostream* os) {
  *os << stage_case.name;
}

class ReplyStageTimeout : public testing::TestWithParam<StageCase> {
 protected:
  // Delivers a good "ab" reply whose given byte (0 STX, 3 ETX, 4 check byte) comes late_by ms
  // after the byte that starts its stage; the others come at once.
  int receive_with_late_byte(std::size_t late_index, std::uint32_t late_by) {
    env.clock.now = GetParam().clock_start;
    const std::vector<std::uint8_t> frame = bytes_from_hex("02 61 62 03 00");
    std::uint32_t at = env.clock.now;
    for (std::size_t i = 0; i < frame.size(); ++i) {
      if (i == late_index) {
        at += late_by;
      }
      device.arrive_at(at, frame[i]);
    }
    return env.shown_reply(receive_reply(env.link, reply));
  }

  test::LinkTestEnvironment env;
  test::FakeSerialPort& device = env.open_fake_port();
  ReplyBuffer reply{};
};

TEST_P(ReplyStageTimeout, HuntingReadsAtExactly1000AndTimesOutAt1001) {
  EXPECT_EQ(receive_with_late_byte(0, 1000), 1);
  EXPECT_TRUE(env.presenter.shown.empty());

  EXPECT_EQ(receive_with_late_byte(0, 1001), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyTimeout}));
  EXPECT_EQ(env.last_status, LinkStatus::kReplyTimeout);
}

TEST_P(ReplyStageTimeout, BodyWindowRunsFromStxToEtx) {
  EXPECT_EQ(receive_with_late_byte(3, 1000), 1);
  EXPECT_TRUE(env.presenter.shown.empty());

  EXPECT_EQ(receive_with_late_byte(3, 1001), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyTimeout}));
}

TEST_P(ReplyStageTimeout, CheckByteWindowRunsFromEtx) {
  EXPECT_EQ(receive_with_late_byte(4, 1000), 1);
  EXPECT_TRUE(env.presenter.shown.empty());

  EXPECT_EQ(receive_with_late_byte(4, 1001), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyTimeout}));
}

INSTANTIATE_TEST_SUITE_P(AcrossClockWrap, ReplyStageTimeout,
                         testing::Values(StageCase{"FromZero", 0},
                                         StageCase{"WrapInsideStage", 0xFFFFFE00u},
                                         StageCase{"WrapAtFirstRead", 0xFFFFFFFFu}),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST_F(ReceiveReplyTest, BodyBytesThatKeepComingDoNotRestartTheBodyWindow) {
  device.arrive_at(0, kStx);
  for (std::uint32_t at = 100; at <= 1100; at += 100) {
    device.arrive_at(at, 'x');
  }
  device.arrive_at(1100, bytes_from_hex("03 00"));

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyTimeout}));
}

TEST_F(ReceiveReplyTest, LongestPayloadThatFitsIsAccepted) {
  const std::vector<std::uint8_t> payload(kReplyBufferSize - 1, 'a');
  device.arrive_at(0, kStx);
  device.arrive_at(0, payload);
  device.arrive_at(0, std::vector<std::uint8_t>{
                          kEtx, static_cast<std::uint8_t>('a' ^ kEtx)});  // 199 'a's fold to 'a'

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)),
            static_cast<int>(kReplyBufferSize) - 2);
  EXPECT_EQ(reply[kReplyBufferSize - 2], 'a');
  EXPECT_EQ(reply[kReplyBufferSize - 1], 0);
}

TEST_F(ReceiveReplyTest, OverlongBodyIsConsumedToItsCheckByteWithoutWritingPastTheBuffer) {
  std::array<std::uint8_t, kReplyBufferSize + 16> guarded{};
  guarded.fill(0xEE);
  const std::vector<std::uint8_t> payload(kReplyBufferSize + 50, 'a');  // even count: xor 0
  device.arrive_at(0, kStx);
  device.arrive_at(0, payload);
  device.arrive_at(0, std::vector<std::uint8_t>{kEtx, kEtx});  // its check byte is right
  device.arrive_at(0, bytes_from_hex("02 62 03 61"));          // the next frame on the line

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, std::span(guarded).first(kReplyBufferSize))),
            -1);
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kReplyBccError}));
  EXPECT_EQ(env.last_status, LinkStatus::kReplyTooLong);
  EXPECT_EQ(guarded[kReplyBufferSize - 1], 0);
  for (std::size_t i = kReplyBufferSize; i < guarded.size(); ++i) {
    EXPECT_EQ(guarded[i], 0xEE) << "byte " << i << " past the buffer was written";
  }

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 0);  // the frame after it is intact
  EXPECT_EQ(reply[0], 'b');
}

TEST_F(ReceiveReplyTest, IdleReadsDoNotEndAStageEarly) {
  device.arrive_at(999, bytes_from_hex("02 61 03 62"));

  EXPECT_EQ(env.shown_reply(receive_reply(env.link, reply)), 0);
  EXPECT_EQ(device.reads, 999 + 4);  // one per idle millisecond, then one per byte
}

}  // namespace
}  // namespace quintrel

#include "sim/reply_sender.h"

#include <gtest/gtest.h>

#include "tests/support/hex.h"

namespace quintrel::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::nanoseconds;

// Sends every piece at its due time plus lag (a late wake-up) and writes down "due [bytes]" in
// microseconds since the start, with "|" after the last piece of a step.
std::string timeline(FaultMode mode, bool pace, microseconds lag) {
  ReplySender sender(plan_reply(mode, test::bytes_from_hex("02 33 03 30")), pace, nanoseconds{});
  std::string text;
  while (const std::optional<ReplySender::Piece> piece = sender.next()) {
    text += std::to_string(std::chrono::duration_cast<microseconds>(piece->due).count()) + " [" +
            test::hex_of(piece->bytes) + (piece->last_of_step ? "]| " : "] ");
    sender.sent(piece->due + lag);
  }
  return text;
}

TEST(ReplySender, StepsWaitFromTheEndOfTheStepBefore) {
  EXPECT_EQ(timeline(FaultMode::kNone, false, microseconds{0}), "0 [02 33 03 30]| ");
  EXPECT_EQ(timeline(FaultMode::kNoAnswer, false, microseconds{0}), "");
  // A late wake-up for the first step moves the second one, as on a line the gap is what counts.
  EXPECT_EQ(timeline(FaultMode::kLateEtx, false, microseconds{300}),
            "0 [02 33]| 1200300 [03 30]| ");
  EXPECT_EQ(timeline(FaultMode::kDrip, false, microseconds{0}),
            "0 [02]| 20000 [33]| 40000 [03]| 60000 [30]| ");
}

TEST(ReplySender, PacedBytesKeepTheLineRateWithinAStep) {
  // 260.417 us a byte, counted from the step's start, so a late byte does not delay the next.
  EXPECT_EQ(timeline(FaultMode::kNone, true, microseconds{100}),
            "260 [02] 520 [33] 781 [03] 1041 [30]| ");
  EXPECT_EQ(timeline(FaultMode::kLateCheck, true, microseconds{0}),
            "260 [02] 520 [33] 781 [03]| 1201041 [30]| ");
}

}  // namespace
}  // namespace quintrel::sim

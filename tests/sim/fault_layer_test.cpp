#include "sim/fault_layer.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/hex.h"

namespace quintrel::sim {
namespace {

using test::bytes_from_hex;
using test::hex_of;

// The reply to "ccebr" from a device holding bitrate code 3.
const std::vector<std::uint8_t> kFrame = bytes_from_hex("02 33 03 30");

std::string describe(const ReplyPlan& plan) {
  std::string text;
  for (const ReplyStep& step : plan.steps) {
    text += "+" + std::to_string(step.delay_ms) + " [" + hex_of(step.bytes) + "] ";
  }
  return text + (plan.unplug_after ? "unplug" : "");
}

TEST(PlanReply, EachFaultShapesTheReplyByteExactly) {
  const struct {
    FaultMode mode;
    std::string plan;
  } cases[] = {
      {FaultMode::kNone, "+0 [02 33 03 30] "},
      {FaultMode::kNoAnswer, ""},
      {FaultMode::kBadCheck, "+0 [02 33 03 CF] "},
      {FaultMode::kNoise, "+0 [FF 00 41 03 0D 0A 02 33 03 30] "},
      {FaultMode::kLateStx, "+1200 [02 33 03 30] "},
      {FaultMode::kLateEtx, "+0 [02 33] +1200 [03 30] "},
      {FaultMode::kLateCheck, "+0 [02 33 03] +1200 [30] "},
      {FaultMode::kEmpty, "+0 [02 03 03] "},
      {FaultMode::kDrip, "+0 [02] +20 [33] +20 [03] +20 [30] "},
      {FaultMode::kUnplug, "+0 [02] unplug"},
      {FaultMode::kSlow, "+900 [02] +900 [33 03] +900 [30] "},
      {FaultMode::kTwice, "+0 [02 33 03 30] +15 [02 33 03 30] "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(fault_name(c.mode)));
    const ReplyPlan plan = plan_reply(c.mode, kFrame);
    EXPECT_EQ(plan.mode, c.mode);
    EXPECT_EQ(describe(plan), c.plan);
  }
  // Half of a longer body goes out before the unplug.
  EXPECT_EQ(describe(plan_reply(FaultMode::kUnplug, bytes_from_hex("02 37 46 46 03 34"))),
            "+0 [02 37] unplug");
}

TEST(PlanReply, LongBodyIsAWellFormedFrameTooLongForTheReplyBuffer) {
  const ReplyPlan plan = plan_reply(FaultMode::kLongBody, kFrame);
  ASSERT_EQ(plan.steps.size(), 1u);
  const std::vector<std::uint8_t>& frame = plan.steps[0].bytes;
  ASSERT_EQ(frame.size(), kLongBodySize + 3);
  EXPECT_EQ(hex_of(std::span(frame).first(3)), "02 33 20");
  EXPECT_EQ(frame[frame.size() - 2], 0x03);
  std::uint8_t check = 0;
  for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
    check ^= frame[i];
  }
  EXPECT_EQ(frame.back(), check);
}

TEST(FaultNames, EveryModeHasANameThatParsesBack) {
  const std::vector<std::string_view> names = fault_names();
  EXPECT_EQ(names.size(), 17u);
  for (const std::string_view name : names) {
    const std::optional<FaultMode> mode = fault_from_name(name);
    ASSERT_TRUE(mode.has_value()) << name;
    EXPECT_EQ(fault_name(*mode), name);
  }
  EXPECT_FALSE(fault_from_name("late").has_value());
  EXPECT_FALSE(fault_from_name("").has_value());
}

TEST(FaultSchedule, FaultsTheChosenRepliesOnly) {
  const FaultSchedule always{FaultMode::kDrip, 1, 0};
  const FaultSchedule second_only{FaultMode::kEmpty, 2, 1};
  const FaultSchedule from_third_twice{FaultMode::kNoAnswer, 3, 2};
  for (int reply = 1; reply <= 6; ++reply) {
    SCOPED_TRACE(reply);
    EXPECT_EQ(always.mode_for(reply), FaultMode::kDrip);
    EXPECT_EQ(second_only.mode_for(reply), reply == 2 ? FaultMode::kEmpty : FaultMode::kNone);
    EXPECT_EQ(from_third_twice.mode_for(reply),
              reply == 3 || reply == 4 ? FaultMode::kNoAnswer : FaultMode::kNone);
  }
}

TEST(DeviceModel, RefusesAnIdentifierAbove7FF) {
  DeviceModel model({.bitrate_code = 1, .identifier = 0x123});
  EXPECT_EQ(model.answer("ccid 800"), "NG");
  EXPECT_EQ(model.live().identifier, 0x123u);
}

TEST(FaultLayer, AnswersThroughTheModelAndCountsOnlyAnsweredFrames) {
  DeviceModel model({.bitrate_code = 2, .identifier = 0x123});
  FaultLayer layer(model, {FaultMode::kBadCheck, 2, 1});
  std::vector<std::string> plans;
  // A frame with a wrong check byte gets no answer and is not counted as a reply.
  for (const char* frame : {"02 63 63 65 62 72 03 00", "02 63 63 65 62 72 03 76",
                            "02 63 63 69 64 72 03 7C", "02 63 63 69 64 72 03 7C"}) {
    for (const std::uint8_t byte : bytes_from_hex(frame)) {
      if (std::optional<ReplyPlan> plan = layer.feed(byte)) {
        plans.push_back(describe(*plan));
      }
    }
  }
  EXPECT_EQ(plans, (std::vector<std::string>{"+0 [02 32 03 31] ", "+0 [02 31 32 33 03 CC] ",
                                             "+0 [02 31 32 33 03 33] "}));
}

// The replies to the commands, each as "fault plan".
std::string play(FaultLayer& layer, std::vector<const char*> commands) {
  std::string replies;
  for (const char* command : commands) {
    for (const std::uint8_t byte : build_text_frame(command)) {
      if (std::optional<ReplyPlan> plan = layer.feed(byte)) {
        replies += std::string(fault_name(plan->mode)) + " " + describe(*plan);
      }
    }
  }
  return replies;
}

TEST(FaultLayer, WrongIdFlipsOnlyTheFirstIdentifierReadAfterEachCommit) {
  DeviceModel model({.bitrate_code = 3, .identifier = 0x2A5});
  FaultLayer layer(model, {FaultMode::kWrongId, 1, 0});
  EXPECT_EQ(play(layer, {"ccidr", "ppw3916", "ccebr", "ccidr", "ccidr"}),
            "none +0 [02 32 41 35 03 45] none +0 [02 4F 4B 03 07] none +0 [02 33 03 30] "
            "wrong-id +0 [02 32 41 34 03 44] none +0 [02 32 41 35 03 45] ");
}

TEST(FaultLayer, RefusalsAndGarbageActOnTheirCommandsAndChangeNothing) {
  DeviceModel model;
  FaultLayer ng_commit(model, {FaultMode::kNgCommit});
  EXPECT_EQ(play(ng_commit, {"ccid 123", "ppw3916"}),
            "none +0 [02 4F 4B 03 07] ng-commit +0 [02 4E 47 03 0A] ");
  EXPECT_EQ(model.committed(), DeviceValues{});
  EXPECT_EQ(model.live().identifier, 0x123u);

  FaultLayer ng(model, {FaultMode::kNg});
  EXPECT_EQ(play(ng, {"ccebr", "cceb 1", "bzoff"}),
            "none +0 [02 33 03 30] ng +0 [02 4E 47 03 0A] ng +0 [02 4E 47 03 0A] ");
  EXPECT_EQ(model.live().bitrate_code, 3);

  FaultLayer garbage(model, {FaultMode::kGarbageId});
  EXPECT_EQ(play(garbage, {"ccidr", "ccebr", "ccidr", "ccidr", "ccidr"}),
            "garbage-id +0 [02 30 78 03 4B] none +0 [02 33 03 30] garbage-id +0 [02 2D 31 03 1F] "
            "garbage-id +0 [02 00 03 03] garbage-id +0 [02 30 78 03 4B] ");
}

TEST(DeviceModel, EachStxStartsAFrameSoAHalfFrameLosesNoCommand) {
  // Left by a host stopped after STX, within the payload, after ETX; then a payload whose check
  // byte is 02, which must still count as its check byte.
  for (const char* before : {"02", "02 63 63 69", "02 63 63 65 62 72 03", "02 61 60 03 02"}) {
    DeviceModel model;
    std::string replies;
    for (const std::uint8_t byte :
         bytes_from_hex(std::string(before) + " 02 63 63 65 62 72 03 76")) {
      if (const auto reply = model.feed(byte)) {
        replies += hex_of(*reply) + " ";
      }
    }
    const bool stx_checked = std::string(before) == "02 61 60 03 02";
    EXPECT_EQ(replies, stx_checked ? "02 4E 47 03 0A 02 33 03 30 " : "02 33 03 30 ") << before;
  }
}

std::string draws(RandomFaults random, int count) {
  std::string names;
  for (int draw = 0; draw < count; ++draw) {
    names += std::string(fault_name(random.next())) + " ";
  }
  return names;
}

TEST(RandomFaults, TheSeedAndDeviceAloneDecideTheDraws) {
  // Pinned, so that a soak's log can be replayed on another machine or library.
  EXPECT_EQ(draws(RandomFaults(0.5, 1, 1), 8),
            "empty bad-check none late-etx none noise none none ");
  EXPECT_NE(draws(RandomFaults(0.5, 1, 2), 50), draws(RandomFaults(0.5, 1, 1), 50));
  EXPECT_NE(draws(RandomFaults(0.5, 2, 1), 50), draws(RandomFaults(0.5, 1, 1), 50));
}

TEST(RandomFaults, TheRateIsTheShareOfFaultsAndEveryFaultComesUp) {
  for (const double rate : {0.0, 0.2, 1.0}) {
    RandomFaults random(rate, 42, 3);
    std::map<FaultMode, int> seen;
    for (int draw = 0; draw < 2000; ++draw) {
      ++seen[random.next()];
    }
    EXPECT_EQ(seen.size(), rate == 0 ? 1u : rate == 1 ? 10u : 11u) << rate;
    EXPECT_NEAR(seen[FaultMode::kNone], 2000 * (1 - rate), 100) << rate;
  }
}

TEST(FaultLayer, RandomFaultsOnlyWithinTheScheduleAndEachPlanNamesItsReply) {
  DeviceModel model;
  FaultLayer layer(model, {.first = 2, .count = 1, .random = true, .rate = 1.0});
  std::vector<std::string> replies;
  for (int frame = 0; frame < 3; ++frame) {
    for (const std::uint8_t byte : bytes_from_hex("02 63 63 65 62 72 03 76")) {
      if (std::optional<ReplyPlan> plan = layer.feed(byte)) {
        replies.push_back(std::to_string(plan->number) + " " + plan->command + " " +
                          (plan->mode == FaultMode::kNone ? "none" : "fault"));
      }
    }
  }
  EXPECT_EQ(replies, (std::vector<std::string>{"1 ccebr none", "2 ccebr fault", "3 ccebr none"}));
}

}  // namespace
}  // namespace quintrel::sim

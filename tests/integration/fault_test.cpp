// quintrel-cli against a misbehaving quintrel-sim: every fault mode with its message, bounded
// real time and CPU, and the next command working afterwards.
#include <gtest/gtest.h>

#include "tests/integration/processes.h"

namespace quintrel::test {
namespace {

struct FaultCase {
  const char* mode;
  int exit_code;
  const char* out;
  const char* err;
  bool times_out;           // waits out a 1000 ms reply stage
  const char* done_marker;  // a log text that shows the faulty reply is over
  int done_count;
};

// Names the case in test listings.
void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.mode;
}

// Generous bounds: a stage is 1000 ms; the frame's pieces take about 30 ms.
constexpr double kTimeoutMinMs = 1000;
constexpr double kTimeoutMaxMs = 1500;
constexpr double kAnsweredMaxMs = 900;
constexpr double kCpuMaxMs = 250;

class FaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, FailsWithItsMessageThenTheNextCommandWorks) {
  const FaultCase& c = GetParam();
  TempDir dir;
  SimProcess sim(dir.path(), {"--fault", c.mode, "--fault-count", "1"});
  ASSERT_TRUE(sim.started());

  const CliRun faulty = run_cli({"read", "-p", sim.port()});
  EXPECT_EQ(faulty.exit_code, c.exit_code);
  EXPECT_EQ(faulty.out, c.out);
  EXPECT_EQ(faulty.err, c.err);
  if (c.times_out) {
    EXPECT_GE(faulty.wall_ms, kTimeoutMinMs);
    EXPECT_LT(faulty.wall_ms, kTimeoutMaxMs);
  } else {
    EXPECT_LT(faulty.wall_ms, kAnsweredMaxMs);
  }
  EXPECT_LT(faulty.cpu_ms, kCpuMaxMs) << "the reads must wait, not spin";

  // A late reply still comes out after the tool gave up; the next command starts after it.
  ASSERT_TRUE(sim.wait_for_log(c.done_marker, c.done_count)) << sim.log();
  const CliRun next = run_cli({"read", "-p", sim.port()});
  EXPECT_EQ(next.exit_code, 0) << next.err << sim.log();
  EXPECT_EQ(next.out, "bitrate: 500kbps\nidentifier: 7FF\n");
}

constexpr char kBoth[] = "bitrate: 500kbps\nidentifier: 7FF\n";
constexpr char kTimeout[] = "Response reception timeout\n";
constexpr char kBcc[] = "Response BCC error\n";
constexpr char kGone[] =
    "Communication port went away (adapter unplugged or its other end closed)\n";

INSTANTIATE_TEST_SUITE_P(
    EveryMode, FaultTest,
    // no-answer: the check byte of ccebr arrived, in a read of its own or not.
    testing::Values(FaultCase{"no-answer", 1, "", kTimeout, true, " 03 76\n", 1},
                    FaultCase{"bad-check", 1, "", kBcc, false, "] tx", 1},
                    FaultCase{"noise", 0, kBoth, "", false, "] tx", 2},
                    FaultCase{"late-stx", 1, "", kTimeout, true, "] tx", 1},
                    FaultCase{"late-etx", 1, "", kTimeout, true, "] tx", 2},
                    FaultCase{"late-check", 1, "", kTimeout, true, "] tx", 2},
                    FaultCase{"empty", 1, "", "Empty response\n", false, "] tx", 1},
                    FaultCase{"long-body", 1, "", kBcc, false, "] tx", 1},
                    FaultCase{"drip", 0, kBoth, "", false, "] tx", 5},
                    // The adapter is unplugged mid-reply and comes back under the same link.
                    FaultCase{"unplug", 1, "", kGone, false, "] pty ", 2}),
    [](const testing::TestParamInfo<FaultCase>& param_info) {
      std::string name;
      for (const char* c = param_info.param.mode; *c != '\0'; ++c) {
        if (*c != '-') {
          name += *c;
        }
      }
      return name;
    });

TEST(FaultOnSecondReply, BitrateIsPrintedThenTheFailure) {
  TempDir dir;
  SimProcess sim(dir.path(), {"--fault", "no-answer", "--fault-from", "2"});
  ASSERT_TRUE(sim.started());
  const CliRun read = run_cli({"read", "-p", sim.port()});
  EXPECT_EQ(read.exit_code, 1);
  EXPECT_EQ(read.out, "bitrate: 500kbps\n");
  EXPECT_EQ(read.err, kTimeout);
}

TEST(FaultOnSave, EmptyCommitReplyFailsWithoutSaved) {
  TempDir dir;
  SimProcess sim(dir.path(), {"--fault", "empty", "--fault-from", "3", "--fault-count", "1"});
  ASSERT_TRUE(sim.started());
  const CliRun save = run_cli({"save", "-p", sim.port(), "--bitrate", "1", "--id", "1"});
  EXPECT_EQ(save.exit_code, 1);
  EXPECT_EQ(save.out, "");
  EXPECT_EQ(save.err, "Empty response\n");
}

}  // namespace
}  // namespace quintrel::test

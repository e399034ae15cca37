// quintrel-cli against quintrel-sim over a real pseudo-terminal: the conversations that work.
#include <gtest/gtest.h>

#include "tests/integration/processes.h"

namespace quintrel::test {
namespace {

TEST(Conversation, ReadShowsTheDeviceValues) {
  TempDir dir;
  SimProcess sim(dir.path(), {"--bitrate", "2", "--id", "123"});
  ASSERT_TRUE(sim.started());

  const CliRun read = run_cli({"read", "-p", sim.port()});
  EXPECT_EQ(read.exit_code, 0) << read.err;
  EXPECT_EQ(read.out, "bitrate: 250kbps\nidentifier: 123\n");
  EXPECT_EQ(read.err, "");
  EXPECT_LT(read.wall_ms, 1000.0);

  const CliRun json = run_cli({"read", "-p", sim.port(), "--json"});
  EXPECT_EQ(json.exit_code, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"port\":\"" + sim.port() +
                "\",\"bitrate\":\"250kbps\",\"bitrate_code\":2,\"identifier\":\"123\"}\n");
}

TEST(Conversation, SaveThenReadBackAndTheCommittedValuesSurviveARestart) {
  TempDir dir;
  const std::string state = (dir.path() / "device.state").string();
  {
    SimProcess sim(dir.path(), {"--state", state});
    ASSERT_TRUE(sim.started());
    const CliRun save =
        run_cli({"save", "-p", sim.port(), "--bitrate", "1Mbps", "--id", "07f", "--verify"});
    EXPECT_EQ(save.exit_code, 0) << save.err;
    EXPECT_EQ(save.out, "Saved !!!\n");
    // The identifier goes out as the field would hold it: "ccid 7F".
    EXPECT_NE(sim.log().find("rx 63 63 69 64 20 37 46\n"), std::string::npos) << sim.log();
  }
  SimProcess restarted(dir.path(), {"--state", state, "--bitrate", "1", "--id", "1"});
  ASSERT_TRUE(restarted.started());
  const CliRun read = run_cli({"read", "-p", restarted.port()});
  EXPECT_EQ(read.exit_code, 0) << read.err;
  EXPECT_EQ(read.out, "bitrate: 1Mbps\nidentifier: 7F\n");
}

TEST(Conversation, BuzzerOffIsAnsweredAndQuiet) {
  TempDir dir;
  SimProcess sim(dir.path(), {});
  ASSERT_TRUE(sim.started());
  const CliRun buzzer = run_cli({"buzzer-off", "-p", sim.port()});
  EXPECT_EQ(buzzer.exit_code, 0) << buzzer.err;
  EXPECT_EQ(buzzer.out, "");
  EXPECT_EQ(buzzer.err, "");
  // The frame arrives in its three pieces: STX; payload; ETX and check byte.
  const std::string log = sim.log();
  EXPECT_NE(log.find("rx 02\n"), std::string::npos) << log;
  EXPECT_NE(log.find("rx 62 7A 6F 66 66\n"), std::string::npos) << log;
  EXPECT_NE(log.find("rx 03 74\n"), std::string::npos) << log;
}

TEST(Conversation, TraceShowsEveryFrameAndPacedRepliesStillArrive) {
  TempDir dir;
  SimProcess sim(dir.path(), {"--pace"});
  ASSERT_TRUE(sim.started());
  const CliRun read = run_cli({"read", "-p", sim.port(), "--trace"});
  EXPECT_EQ(read.exit_code, 0) << read.err;
  EXPECT_EQ(read.out, "bitrate: 500kbps\nidentifier: 7FF\n");
  for (const char* frame : {" ms  -> 02 63 63 65 62 72 03 76\n", " ms  <- 02 33 03 30\n",
                            " ms  -> 02 63 63 69 64 72 03 7C\n", " ms  <- 02 37 46 46 03 34\n"}) {
    EXPECT_NE(read.err.find(frame), std::string::npos) << frame << read.err;
  }
}

TEST(Conversation, PortsListEndsWithTheFixedNames) {
  const CliRun ports = run_cli({"ports"});
  EXPECT_EQ(ports.exit_code, 0);
  EXPECT_TRUE(ports.out.ends_with("COM1\nCOM2\nCOM3\nCOM4\nCOM5\nCOM6\nCOM7\nCOM8\nCOM9\nCOM10\n"))
      << ports.out;
}

TEST(Conversation, VersionHelpAndUsageErrorExitCodes) {
  const CliRun version = run_cli({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, "quintrel-cli 2.0\n");
  const CliRun help = run_cli({"read", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos);
  const CliRun usage = run_cli({"save", "-p", "/dev/null", "--bitrate", "3", "--id", "800"});
  EXPECT_EQ(usage.exit_code, 2);
  EXPECT_NE(usage.err.find("--id"), std::string::npos) << usage.err;
}

}  // namespace
}  // namespace quintrel::test

// quintrel-cli against quintrel-sim over a real pseudo-terminal: the conversations that work.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

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
  EXPECT_EQ(json.out, "{\"port\":\"" + sim.port() +
                          "\",\"ok\":true,\"exit\":0,\"bitrate\":\"250kbps\",\"bitrate_code\":2,"
                          "\"identifier\":\"123\"}\n");
}

TEST(Conversation, PortsListsTheAdvertisedSimulatorBeforeTheFixedNames) {
  TempDir dir;
  // An advertisement directory must be the user's own and writable by nobody else.
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  SimProcess sim(dir.path(), {});
  ASSERT_TRUE(sim.started());

  ::setenv("QUINTREL_PORTS_DIR", dir.path().c_str(), 1);
  const CliRun ports = run_cli({"ports"});
  ::unsetenv("QUINTREL_PORTS_DIR");

  EXPECT_EQ(ports.exit_code, 0) << ports.err;
  const std::string entry =
      std::filesystem::canonical(sim.port()).string() + "(Quintrel simulated device)\n";
  const std::size_t at = ports.out.find(entry);
  ASSERT_NE(at, std::string::npos) << ports.out;
  EXPECT_LT(at, ports.out.find("COM1\n")) << ports.out;
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
    EXPECT_NE(sim.received().find("02 63 63 69 64 20 37 46 03"), std::string::npos) << sim.log();
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
  // The one frame, whole (its pieces' pauses: PreciseTraceAndMonotonicLogShareOneClock).
  EXPECT_EQ(sim.received(), "02 62 7A 6F 66 66 03 74") << sim.log();
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

// The first time (ms) of every line of text that contains what.
std::vector<double> times_of(const std::string& text, const std::string& what) {
  static const std::regex stamp(R"(^\[?\s*(\d+\.\d{3}) ms)");
  std::vector<double> times;
  std::istringstream lines(text);
  std::smatch match;
  for (std::string line; std::getline(lines, line);) {
    if (line.find(what) != std::string::npos && std::regex_search(line, match, stamp)) {
      times.push_back(std::stod(match[1]));
    }
  }
  return times;
}

// The last byte's time (ms) of every precise trace line in the given direction.
std::vector<double> last_byte_times(const std::string& trace, const std::string& direction) {
  static const std::regex line_form(R"(\.\. +(\d+\.\d{3}) ms  (->|<-))");
  std::vector<double> times;
  for (std::sregex_iterator at(trace.begin(), trace.end(), line_form), end; at != end; ++at) {
    if ((*at)[2] == direction) {
      times.push_back(std::stod((*at)[1]));
    }
  }
  return times;
}

double monotonic_ms() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TEST(Conversation, PreciseTraceAndMonotonicLogShareOneClock) {
  TempDir dir;
  SimProcess sim(dir.path(), {"--monotonic-log"});
  ASSERT_TRUE(sim.started());
  const double before = monotonic_ms();
  const CliRun read = run_cli({"read", "-p", sim.port(), "--precise-trace"});
  const double after = monotonic_ms();
  ASSERT_EQ(read.exit_code, 0) << read.err;
  ASSERT_TRUE(sim.wait_for_log("tx ", 2));

  const std::vector<double> purges = times_of(read.err, "  purge");
  const std::vector<double> sent = last_byte_times(read.err, "->");
  const std::vector<double> received = last_byte_times(read.err, "<-");
  const std::vector<double> replies = times_of(sim.log(), "] tx ");
  ASSERT_EQ(purges.size(), 2u) << read.err;
  ASSERT_EQ(sent.size(), 2u) << read.err;
  ASSERT_EQ(received.size(), 2u) << read.err;
  ASSERT_EQ(replies.size(), 2u) << sim.log();
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    // Each exchange in order on one time line: the purge, three paced pieces, the device's reply
    // after the check byte reached it, the reply's check byte read after it was written.
    EXPECT_LE(before, purges[i]);
    EXPECT_LE(purges[i] + 30.0, sent[i]);
    EXPECT_LE(sent[i], replies[i]);
    EXPECT_LE(replies[i], received[i]);
    EXPECT_LE(received[i], after);
  }
}

// COMn is /dev/ttyS(n-1): listed under one of the two names, the fixed ones last.
TEST(Conversation, PortsListEndsWithTheFixedNamesEachDeviceOnce) {
  const CliRun ports = run_cli({"ports"});
  EXPECT_EQ(ports.exit_code, 0);
  EXPECT_TRUE(ports.out.ends_with("COM9\nCOM10\n")) << ports.out;
  for (int n = 1; n <= 10; ++n) {
    EXPECT_NE(ports.out.find("/dev/ttyS" + std::to_string(n - 1) + "(") == std::string::npos,
              ports.out.find("COM" + std::to_string(n) + "\n") == std::string::npos)
        << n << ports.out;
  }
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

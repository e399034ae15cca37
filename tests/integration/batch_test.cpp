// Many ports at once against several quintrel-sim processes: each port's outcome, the exit
// codes, and ports probed side by side (a silent port costs one reply time-out, not one each).
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "tests/integration/processes.h"

namespace quintrel::test {
namespace {

// One reply stage is 1000 ms; several in a row would take 2000 ms or more.
constexpr double kOneTimeoutMaxMs = 1800;

class BatchTest : public testing::Test {
 protected:
  std::string start_sim(const std::vector<std::string>& args) {
    dirs_.push_back(std::make_unique<TempDir>());
    sims_.push_back(std::make_unique<SimProcess>(dirs_.back()->path(), args));
    EXPECT_TRUE(sims_.back()->started());
    return sims_.back()->port();
  }

  // Each line's object by its "port".
  static std::map<std::string, nlohmann::json> objects(const std::string& out) {
    std::map<std::string, nlohmann::json> by_port;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      const nlohmann::json object = nlohmann::json::parse(line);
      by_port[object.at("port")] = object;
    }
    return by_port;
  }

  const std::string missing_ = "/dev/quintrel-no-such-tty";

 private:
  std::vector<std::unique_ptr<TempDir>> dirs_;
  std::vector<std::unique_ptr<SimProcess>> sims_;
};

TEST_F(BatchTest, ProbeTellsDevicesFromSilentGarbledAndMissingPorts) {
  const std::string device = start_sim({"--bitrate", "2"});
  const std::string silent = start_sim({"--fault", "no-answer"});
  const std::string garbled = start_sim({"--fault", "bad-check"});
  const CliRun probe = run_cli({"ports", "--probe", "--json", "-p", device, "-p", silent, "-p",
                                garbled, "-p", missing_, "-p", silent});
  EXPECT_EQ(probe.exit_code, 0) << probe.err;
  EXPECT_LT(probe.wall_ms, kOneTimeoutMaxMs);
  auto found = objects(probe.out);
  ASSERT_EQ(found.size(), 4u) << probe.out;
  EXPECT_EQ(found[device].dump(),
            R"({"bitrate":"250kbps","bitrate_code":2,"kind":"other","port":")" + device +
                R"(","probe":"device"})");
  EXPECT_EQ(found[silent]["probe"], "silent");
  EXPECT_EQ(found[garbled]["probe"], "garbled");
  EXPECT_EQ(found[missing_]["probe"], "unavailable");

  const CliRun nothing = run_cli({"ports", "--probe", "-p", silent, "-p", missing_});
  EXPECT_EQ(nothing.exit_code, 1);
  EXPECT_EQ(nothing.err, "a device on 0 of 2 ports probed\n");
}

TEST_F(BatchTest, SaveOnManyPortsGivesEachItsObjectAndExitsFiveOnAnyFailure) {
  const std::string first = start_sim({});
  const std::string second = start_sim({"--id", "12"});
  const std::string faulted = start_sim({"--fault", "bad-check", "--fault-from", "2"});
  const CliRun save = run_cli({"save", "--json", "-p", first, "-p", second, "-p", faulted, "-p",
                               missing_, "--bitrate", "1Mbps", "--id", "2a5", "--verify"});
  EXPECT_EQ(save.exit_code, 5) << save.err;
  EXPECT_LT(save.wall_ms, kOneTimeoutMaxMs);
  auto results = objects(save.out);
  ASSERT_EQ(results.size(), 4u) << save.out;
  EXPECT_EQ(results[second].dump(), R"({"exit":0,"ok":true,"port":")" + second + R"("})");
  EXPECT_EQ(results[first]["ok"], true);
  EXPECT_EQ(results[faulted]["error"], "Response BCC error");
  EXPECT_EQ(results[faulted]["exit"], 1);
  EXPECT_EQ(results[missing_]["exit"], 3);
  EXPECT_NE(save.err.find("2 of 4 ports succeeded"), std::string::npos) << save.err;
  const CliRun held = run_cli({"read", "-p", second});
  EXPECT_EQ(held.out, "bitrate: 1Mbps\nidentifier: 2A5\n");

  const std::string silent = start_sim({"--fault", "no-answer"});
  // A port --found was pointed at and found silent fails the run like any other.
  const CliRun together = run_cli({"read", "--found", "-p", first, "-p", silent});
  EXPECT_EQ(together.exit_code, 5) << together.err;
  EXPECT_EQ(together.out, silent + ": failed (exit 1): Response reception timeout\n" + first +
                              ": bitrate 1Mbps, identifier 2A5\n");
}

TEST_F(BatchTest, NothingFoundAndAnOrphanedChildBothExitOne) {
  const std::string silent = start_sim({"--fault", "no-answer"});
  const CliRun found = run_cli({"buzzer-off", "--found", "--json", "-p", silent, "-p", missing_});
  EXPECT_EQ(found.exit_code, 1);
  EXPECT_EQ(objects(found.out).size(), 2u) << found.out;
  EXPECT_TRUE(found.err.ends_with("no device found on the 2 ports probed\n")) << found.err;
  // A child whose parent is gone before it is tied to it ends at once, saying so (children die
  // with their parent: kill -9 of a run leaves none behind).
  const CliRun orphan = run_cli(
      {"port-job"}, {.input = R"({"command":"read","port":")" + silent + R"(","parent_pid":1})"});
  EXPECT_EQ(orphan.exit_code, 1);
  EXPECT_EQ(orphan.out, "");
  EXPECT_NE(orphan.err.find("is not this process's parent"), std::string::npos) << orphan.err;
  EXPECT_LT(orphan.wall_ms, kOneTimeoutMaxMs / 2);
}

TEST_F(BatchTest, ChildrenStartFromTheRunningProgramEvenWhenItsFileIsGone) {
  // The probe behind --found takes one slow reply (2.7 s); the file is removed meanwhile, before
  // the read's children start.
  const std::string port = start_sim({"--fault", "slow", "--fault-count", "1"});
  TempDir bin;
  const std::filesystem::path program = bin.path() / "quintrel-cli";
  std::filesystem::copy_file(QUINTREL_CLI_PATH, program);
  std::thread upgrade([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::filesystem::remove(program);  // as an upgrade unlinks the old file
  });
  const CliRun run = run_program(program, {"read", "--found", "-p", port, "--json"});
  upgrade.join();
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find(R"("identifier":"7FF")"), std::string::npos) << run.out;
}

TEST_F(BatchTest, CtrlCLetsRunningPortsFinishASecondStopsThemAndEachPortsStateIsSaid) {
  // Two exchanges of 2.7 s each.
  const std::string first = start_sim({"--fault", "slow"});
  const std::string second = start_sim({"--fault", "slow"});
  const CliRun once =
      run_cli({"read", "--json", "-p", first, "-p", second}, {.signals = {{1000, SIGINT}}});
  EXPECT_EQ(once.exit_code, 130) << once.err;
  const auto results = objects(once.out);
  ASSERT_EQ(results.size(), 2u) << once.out;
  EXPECT_EQ(results.at(first).value("identifier", ""), "7FF");
  EXPECT_NE(once.err.find("interrupted; where each port stands:\n  " + first + ": done\n  " +
                          second + ": done\n"),
            std::string::npos)
      << once.err;

  const CliRun twice =
      run_cli({"read", "-p", first, "-p", second}, {.signals = {{1000, SIGINT}, {1500, SIGTERM}}});
  EXPECT_EQ(twice.exit_code, 130) << twice.err;
  EXPECT_LT(twice.wall_ms, 2700);
  EXPECT_NE(twice.err.find(first + ": interrupted in step 1 of 2 (reading the bitrate)\n"),
            std::string::npos)
      << twice.err;
}

TEST_F(BatchTest, AClosedOutputLetsEveryStartedPortFinish) {
  const std::string quick = start_sim({});
  const std::string slow = start_sim({"--fault", "slow", "--fault-count", "1"});
  const CliRun run = run_cli({"read", "--json", "-p", quick, "-p", slow}, {.closed_output = true});
  EXPECT_EQ(run.exit_code, 141) << run.err;
  EXPECT_NE(run.err.find("standard output was closed"), std::string::npos) << run.err;
  // The slow port's identifier was still asked for after the quick port's result met the closed
  // output.
  EXPECT_NE(run.err.find("2 of 2 ports succeeded"), std::string::npos) << run.err;
}

TEST_F(BatchTest, SlowButValidDevicesAreSavedAsAloneAndAShortDeadlineStopsASilentPort) {
  // Five exchanges, each using its three reply stages to 900 ms: about 13.7 s, over the 10 s
  // every port once had.
  const std::string first = start_sim({"--fault", "slow"});
  const std::string second = start_sim({"--fault", "slow"});
  const CliRun save = run_cli(
      {"save", "--json", "-p", first, "-p", second, "--bitrate", "2", "--id", "123", "--verify"},
      {.bound_ms = 25000});
  EXPECT_EQ(save.exit_code, 0) << save.out << save.err;
  EXPECT_EQ(objects(save.out).size(), 2u) << save.out;

  const std::string silent = start_sim({"--fault", "no-answer"});
  const CliRun stopped = run_cli({"read", "-p", silent, "-p", missing_, "--deadline", "0.4"});
  EXPECT_EQ(stopped.exit_code, 5);
  EXPECT_NE(stopped.out.find(silent + ": failed (exit 1): no result within 0.4 s: stopped"),
            std::string::npos)
      << stopped.out;
  EXPECT_LT(stopped.wall_ms, 900);
}

}  // namespace
}  // namespace quintrel::test

#include "sim/sim_options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/linux/linux_pty.h"

namespace quintrel::sim {
namespace {

Result<std::optional<SimOptions>> parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quintrel-sim");
  std::ostringstream out;
  return parse_sim_options(static_cast<int>(args.size()), args.data(), out);
}

// "mode first count; " per device, "random@rate" for random ones.
std::string schedules(std::vector<const char*> args) {
  const Result<std::optional<SimOptions>> options = parse(std::move(args));
  std::string text;
  for (const FaultSchedule& s :
       options&&* options ? (*options)->faults : std::vector<FaultSchedule>{}) {
    text += (s.random ? "random@" + std::to_string(s.rate).substr(0, 4)
                      : std::string(fault_name(s.mode))) +
            " " + std::to_string(s.first) + " " + std::to_string(s.count) + "; ";
  }
  return text;
}

TEST(SimOptions, EachDeviceTakesItsOwnFaultsOverTheCommonOnes) {
  EXPECT_EQ(
      schedules({"--count", "3", "--fault-from", "2:5", "--fault", "drip", "--fault", "2:late-stx",
                 "--fault-count", "2", "--fault", "3:random", "--fault-rate", "0.25"}),
      "drip 1 2; late-stx 5 2; random@0.25 1 2; ");
  EXPECT_EQ(schedules({"--fault", "random", "--fault-rate", "1"}), "random@1.00 1 0; ");
}

TEST(SimOptions, BadDeviceFormsAreUsageErrors) {
  const std::vector<std::vector<const char*>> cases = {
      {"--fault", "1:drip"},  // a device number without --count
      {"--count", "2", "--fault", "3:drip"},
      {"--count", "2", "--fault", "x:drip"},
      {"--count", "2", "--fault", "2:drip", "--fault", "2:noise"},
      {"--count", "2", "--fault", "2:late"},
      {"--count", "2", "--fault-from", "1:0"},
      {"--fault-rate", "1.5"},
  };
  for (const std::vector<const char*>& args : cases) {
    const Result<std::optional<SimOptions>> parsed = parse(args);
    EXPECT_FALSE(parsed) << args.back();
    EXPECT_NE(parsed.error(), "") << args.back();
  }
}

// The first line of the usage error, "" when the arguments parse.
std::string usage_error(std::vector<const char*> args) {
  const Result<std::optional<SimOptions>> parsed = parse(std::move(args));
  return parsed ? "" : parsed.error().substr(0, parsed.error().find('\n'));
}

TEST(SimOptions, AnIdentifierAbove7FFIsAUsageErrorThatNamesTheRange) {
  EXPECT_EQ(usage_error({"--id", "7fF", "--seed", "18446744073709551615"}), "");
  EXPECT_EQ(usage_error({"--id", "800"}),
            "--id: 800 is not a hexadecimal identifier from 0 to 7FF");
  EXPECT_EQ(usage_error({"--link", "a", "--link", "b"}), "--link is given 2 times; give it once");
}

TEST(SimLink, OnlyAFreeNameOrALinkToAPtyIsTakenAndOnlyOursIsRemoved) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("quintrel-link-" + std::to_string(getpid()));
  const auto at = [&](const char* name) { return (dir / name).string(); };
  fs::create_directories(dir / "directory");
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace);  // links only go there
  std::ofstream(dir / "file") << "kept";
  std::ofstream(dir / "stale.new") << "kept";
  std::ofstream(dir / "st-2") << "kept";
  fs::create_symlink("/dev/pts/ptmx", dir / "foreign");  // under /dev/pts/, yet no pty of ours
  fs::create_symlink("/dev/pts/99999", dir / "stale");
  for (const char* name : {"file", "directory", "foreign"}) {
    EXPECT_FALSE(point_symlink(at(name), "/dev/pts/7").ok()) << name;
  }
  EXPECT_EQ(usage_error({"--count", "3", "--link", at("st").c_str()}),
            "--link: " + at("st-2") +
                ": already exists and is not a link to a pty (/dev/pts/N); it is left as it is");
  EXPECT_EQ(point_symlink(at("missing"), "/dev/pts/7").error(), "");
  EXPECT_EQ(point_symlink(at("stale"), "/dev/pts/7").error(), "");
  remove_symlink_to(at("missing"), "/dev/pts/8");  // another run's pty: the name is theirs now
  remove_symlink_to(at("stale"), "/dev/pts/7");
  EXPECT_TRUE(fs::is_symlink(dir / "missing") && !fs::is_symlink(dir / "stale"));
  EXPECT_EQ(fs::file_size(dir / "file") + fs::file_size(dir / "stale.new"), 8u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace quintrel::sim

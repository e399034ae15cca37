#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quintrel::sim {
namespace {

struct Parsed {
  std::optional<SimOptions> options;
  int exit_code = -1;
  std::string err;
};

Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quintrel-sim");
  Parsed parsed;
  std::ostringstream out;
  std::ostringstream err;
  parsed.options =
      parse_sim_options(static_cast<int>(args.size()), args.data(), out, err, parsed.exit_code);
  parsed.err = err.str();
  return parsed;
}

// "mode first count" per device, "random@rate" for random ones.
std::string schedules(const SimOptions& options) {
  std::string text;
  for (const FaultSchedule& s : options.faults) {
    text += (s.random ? "random@" + std::to_string(s.rate).substr(0, 4)
                      : std::string(fault_name(s.mode))) +
            " " + std::to_string(s.first) + " " + std::to_string(s.count) + "; ";
  }
  return text;
}

TEST(SimOptions, EachDeviceTakesItsOwnFaultsOverTheCommonOnes) {
  const Parsed parsed =
      parse({"--count", "3", "--fault-from", "2:5", "--fault", "drip", "--fault", "2:late-stx",
             "--fault-count", "2", "--fault", "3:random", "--fault-rate", "0.25", "--seed", "99"});
  ASSERT_TRUE(parsed.options) << parsed.err;
  EXPECT_EQ(parsed.options->count, 3);
  EXPECT_EQ(schedules(*parsed.options), "drip 1 2; late-stx 5 2; random@0.25 1 2; ");
  EXPECT_EQ(parsed.options->faults[2].seed, 99u);
}

TEST(SimOptions, WithoutCountThereIsOneDeviceAndNoDeviceNumbers) {
  const Parsed parsed = parse({"--fault", "random", "--fault-rate", "1"});
  ASSERT_TRUE(parsed.options) << parsed.err;
  EXPECT_EQ(parsed.options->count, 0);
  EXPECT_EQ(schedules(*parsed.options), "random@1.00 1 0; ");
}

TEST(SimOptions, BadDeviceFormsAreUsageErrors) {
  const std::vector<std::vector<const char*>> cases = {
      {"--fault", "1:drip"},
      {"--count", "2", "--fault", "3:drip"},
      {"--count", "2", "--fault", "0:drip"},
      {"--count", "2", "--fault", "x:drip"},
      {"--count", "2", "--fault", "2:drip", "--fault", "2:noise"},
      {"--count", "2", "--fault", "2:late"},
      {"--count", "2", "--fault-from", "1:0"},
      {"--fault-rate", "1.5"},
      {"--fault-rate", "0.5x"},
      {"--count", "129"},
  };
  for (const std::vector<const char*>& args : cases) {
    const Parsed parsed = parse(args);
    EXPECT_FALSE(parsed.options) << args[args.size() - 1];
    EXPECT_EQ(parsed.exit_code, 2) << args[args.size() - 1];
  }
}

}  // namespace
}  // namespace quintrel::sim

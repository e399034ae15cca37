#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quintrel::sim {
namespace {

std::optional<SimOptions> parse(std::vector<const char*> args, int& exit_code) {
  args.insert(args.begin(), "quintrel-sim");
  std::ostringstream out;
  std::ostringstream err;
  return parse_sim_options(static_cast<int>(args.size()), args.data(), out, err, exit_code);
}

// "mode first count; " per device, "random@rate" for random ones.
std::string schedules(std::vector<const char*> args) {
  int exit_code = -1;
  const std::optional<SimOptions> options = parse(std::move(args), exit_code);
  std::string text;
  for (const FaultSchedule& s : options ? options->faults : std::vector<FaultSchedule>{}) {
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
    int exit_code = -1;
    EXPECT_FALSE(parse(args, exit_code)) << args.back();
    EXPECT_EQ(exit_code, 2) << args.back();
  }
}

}  // namespace
}  // namespace quintrel::sim

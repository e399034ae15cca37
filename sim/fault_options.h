// quintrel-sim's fault options, each "[K:]VALUE": with K (and --count) the value is device K's,
// without it every device's.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "sim/sim_options.h"

namespace quintrel::sim {

// The fault options as given, spread over the devices once every option is parsed.
struct FaultTexts {
  std::vector<std::string> faults;
  std::vector<std::string> firsts;
  std::vector<std::string> counts;
  std::vector<std::string> rates;
  std::uint64_t seed = 1;
};

// Adds --fault, --fault-from, --fault-count, --fault-rate and --seed; returns --seed, which takes
// one value.
CLI::Option* add_fault_options(CLI::App& app, FaultTexts& given);

// Each device's fault schedule (options.faults, one per device of options.count) from the texts;
// a Failure names a device number without --count or beyond it, or a second value for the same
// device.
Result<void> spread_faults(const FaultTexts& given, SimOptions& options);

}  // namespace quintrel::sim

// The command line of quintrel-sim.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/result.h"
#include "sim/device_model.h"
#include "sim/fault_layer.h"

namespace quintrel::sim {

inline constexpr int kMaxDevices = 128;

struct SimOptions {
  std::string symlink;         // symlink to the pty; empty: none
  std::string state_file;      // committed values kept between runs; empty: none
  std::string log_file;        // frame log; empty: standard error
  bool pace = false;           // send replies at the byte times of a 38400 8N1 line
  bool monotonic_log = false;  // log times on the system's monotonic clock, not since start
  int count = 0;               // --count: devices played side by side; 0: one, without a number
  DeviceValues start;          // used when there is no state file yet
  std::vector<FaultSchedule> faults;  // one per device
};

// "PATH" for the one device of a run without --count, "PATH-N" for device N of count; "" stays "".
std::string device_path(const std::string& path, int count, int number);

// Parses the arguments: the options to run with, or nullopt once --help or --version was printed on
// out (the program then ends with 0). A usage error is a Failure holding the whole text for
// standard error (the program then ends with 2), among them a --link name (with --count, any of
// its numbered names) that may_take_symlink refuses.
Result<std::optional<SimOptions>> parse_sim_options(int argc, const char* const* argv,
                                                    std::ostream& out);

}  // namespace quintrel::sim

// The command line of quintrel-sim.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

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

// Parses the arguments. Returns the options, or nullopt with exit_code set: 0 after --help or
// --version (printed to out), 2 after a usage error (explained on err), among them a --link name
// (with --count, any of its numbered names) that may_take_symlink refuses.
std::optional<SimOptions> parse_sim_options(int argc, const char* const* argv, std::ostream& out,
                                            std::ostream& err, int& exit_code);

}  // namespace quintrel::sim

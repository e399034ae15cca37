// The simulated device's committed values kept in a small text file between runs:
//   bitrate_code=3
//   identifier=7FF
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "sim/device_model.h"

namespace quintrel::sim {

enum class StateLoad { kLoaded, kMissing, kBroken };

// Reads the values; kMissing leaves them untouched, kBroken names the problem in error.
StateLoad load_state(const std::filesystem::path& file, DeviceValues& values, std::string& error);

// Writes the values through a private temporary file beside it, renamed over the old one
// (replace_file). False (with the reason) when it cannot.
bool save_state(const std::filesystem::path& file, const DeviceValues& values, std::string& error);

}  // namespace quintrel::sim

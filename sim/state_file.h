// The simulated device's committed values kept in a small text file between runs:
//   bitrate_code=3
//   identifier=7FF
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/result.h"
#include "sim/device_model.h"

namespace quintrel::sim {

// Reads the values: nullopt when there is no file; a failure names the file and what is wrong.
Result<std::optional<DeviceValues>> load_state(const std::filesystem::path& file);

// Writes the values through a private temporary file beside it, renamed over the old one
// (replace_file).
Result<void> save_state(const std::filesystem::path& file, const DeviceValues& values);

}  // namespace quintrel::sim

// An outcome as the JSON object the page reads: {"ok":..,"status":..,"message":..,"title":..}
// and, for a refused open, "failure" and "reason"; read results add their values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/bitrate_code.h"
#include "link/link_outcome.h"

namespace quintrel::web {

struct ReadValues {
  std::optional<BitrateCode> bitrate;
  std::optional<std::uint32_t> identifier;
};

std::string outcome_json(const LinkOutcome& outcome, const ReadValues& values = {});

// The object for an operation refused because another one is still running on the port.
std::string busy_json();

}  // namespace quintrel::web

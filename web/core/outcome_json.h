// An outcome as the JSON object the page reads: {"ok":..,"status":..,"message":..,"title":..}
// and, for a refused open, "failure" and "reason"; read results add their values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/bitrate_code.h"
#include "device/verified_save.h"
#include "link/link_outcome.h"

namespace quintrel::web {

struct ReadValues {
  std::optional<BitrateCode> bitrate;
  std::optional<std::uint32_t> identifier;
};

std::string outcome_json(const LinkOutcome& outcome, const ReadValues& values = {});

// A save read back: the outcome's object with the values held; when they differ from those
// written, not ok ("verify-failed") with the differences as its message.
std::string verified_save_json(const VerifiedSave& save);

// The bitrate list's names in code order, as a JSON array.
std::string bitrate_names_json();

// The object for an operation refused because another one is still running on the port.
std::string busy_json();

}  // namespace quintrel::web

// A port's result in a run over many ports, from what its child process left: the JSON object it
// printed, or, for a child that gave none (stopped at its deadline, interrupted, crashed, never
// started), one made here with "ok" false and an "error" that says how far it got.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "cli/port_json.h"
#include "platform/child_process.h"

namespace quintrel::cli {

// The key's text in object; empty when it is missing or not a string.
std::string text_of(const JsonObject& object, const char* key);

// The last line of a child's output that is a JSON object.
std::optional<JsonObject> last_json_object(const std::string& output);

// What went wrong with a child that gave no result, in words; empty when it gave one. deadline_ms
// is the one the child was stopped at; steps (job_steps) name the step an interrupted child was in.
std::string child_failure(const ChildEnd& end, std::uint32_t deadline_ms,
                          const std::vector<std::string>& steps = {});

// The port's result: the child's object (with "ok" and "exit" from its exit status where it
// lacks them), or one made here.
// A port the run stopped or never started has "exit" kExitInterrupted (cli/batch/batch_command.h).
JsonObject port_result(const std::string& port, const ChildEnd& end, std::uint32_t deadline_ms,
                       const std::vector<std::string>& steps = {});

// "PORT: bitrate 500kbps, identifier 7FF", "PORT: Saved !!!", "PORT: buzzer off" or
// "PORT: failed (exit N): error: reason".
std::string result_line(CliCommand command, const JsonObject& result);

}  // namespace quintrel::cli

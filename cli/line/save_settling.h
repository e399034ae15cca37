// What a port's save comes to in the record: where its identifier stands (given, back in the pool,
// or uncertain) and the row that says what happened, from the port's result object and how far
// its job got (the step marks, cli/batch/step_marks.h).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "cli/cli_arguments.h"
#include "cli/port_json.h"
#include "ports/port_list.h"
#include "record/line_record.h"

namespace quintrel::cli {

enum class Settlement {
  kGiven,      // the save (and the verify, when asked) succeeded
  kFree,       // the save failed before the identifier's frame was sent
  kUncertain,  // sent (or perhaps sent) and then failed: the device may hold it
};

// The port a save's result names, or the one asked for when it names none.
std::string result_port(const CliRequest& request, const JsonObject& result);

// The number of the step (as job_steps counts, from 1) that sends the identifier.
int identifier_step(const CliRequest& request);

// last_step: the last step the job began, 0 for none; nullopt when it cannot be known (the job's
// output was lost). Only a job known to have stopped before the identifier's step frees it.
Settlement settlement_for(bool ok, std::optional<int> last_step, int identifier_step);

// What the row takes from around the save.
struct SaveFacts {
  std::string time;  // record::utc_time_text of the save's start
  std::string station;
  std::string operator_name;
  std::string label;
  std::int64_t duration_ms = 0;
  const ScannedPort* entry = nullptr;  // the port's entry in the list, where it is listed
};

// The port's row: values before from the result's "bitrate_before" and "identifier_before", the
// values written as far as the job got, the verify result, the outcome.
record::SaveRow save_row(const CliRequest& request, const JsonObject& result,
                         std::optional<int> last_step, const SaveFacts& facts);

}  // namespace quintrel::cli

#include "cli/line/save_settling.h"

#include <algorithm>
#include <vector>

#include "base/message_texts.h"
#include "base/utf8_text.h"
#include "cli/argument_forms.h"
#include "cli/batch/port_result.h"
#include "cli/batch/step_marks.h"
#include "cli/cli_commands.h"

namespace quintrel::cli {

namespace {

// The outcome in words, as the station showed it.
std::string outcome_message(const JsonObject& result, bool ok) {
  if (ok) {
    return utf8_from_utf16(messages::kSaved);
  }
  std::string message = text_of(result, "error");
  if (const std::string reason = text_of(result, "reason"); !reason.empty()) {
    message += (message.empty() ? "" : ": ") + reason;
  }
  return message;
}

}  // namespace

std::string result_port(const CliRequest& request, const JsonObject& result) {
  const std::string port = text_of(result, "port");
  return port.empty() ? request.port : port;
}

int identifier_step(const CliRequest& request) {
  const std::vector<std::string> steps = job_steps(request);
  const auto at = std::find(steps.begin(), steps.end(), "writing the identifier");
  return static_cast<int>(at - steps.begin()) + 1;
}

Settlement settlement_for(bool ok, std::optional<int> last_step, int identifier_step) {
  if (ok) {
    return Settlement::kGiven;
  }
  if (last_step && *last_step < identifier_step) {
    return Settlement::kFree;
  }
  return Settlement::kUncertain;
}

record::SaveRow save_row(const CliRequest& request, const JsonObject& result,
                         std::optional<int> last_step, const SaveFacts& facts) {
  record::SaveRow row;
  row.time = facts.time;
  row.station = facts.station;
  row.operator_name = facts.operator_name;
  row.port = result_port(request, result);
  row.by_id = text_of(result, "by_id");
  if (facts.entry != nullptr) {
    row.by_id = row.by_id.empty() ? facts.entry->by_id : row.by_id;
    row.usb_id = facts.entry->vid.empty() ? "" : facts.entry->vid + ":" + facts.entry->pid;
    row.usb_serial = facts.entry->serial;
  }
  row.label = facts.label;
  row.bitrate_before = text_of(result, "bitrate_before");
  row.identifier_before = text_of(result, "identifier_before");
  row.ok = result.value("ok", false);
  // A job whose steps are not known may have written anything it was asked to. The bitrate is
  // sent in the step before the identifier's.
  const int sends_identifier = identifier_step(request);
  const int reached = last_step.value_or(sends_identifier);
  if (row.ok || reached >= sends_identifier - 1) {
    row.bitrate_written = bitrate_text(request.bitrate);
  }
  if (row.ok || reached >= sends_identifier) {
    row.identifier_written = utf8_from_utf16(request.identifier);
  }
  row.identifier_source = request.line.id_from ? "pool" : "given";
  const int exit_code = result.value("exit", kExitFailure);
  if (request.verify && (row.ok || exit_code == kExitVerifyFailed)) {
    row.verify = row.ok ? "ok" : "mismatch";
  }
  row.message = outcome_message(result, row.ok);
  row.exit_code = exit_code;
  row.duration_ms = facts.duration_ms;
  return row;
}

}  // namespace quintrel::cli

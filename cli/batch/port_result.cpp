#include "cli/batch/port_result.h"

#include <sstream>
#include <utility>

#include "base/message_texts.h"
#include "base/utf8_text.h"
#include "cli/batch/batch_command.h"
#include "cli/batch/job_deadline.h"
#include "cli/batch/step_marks.h"
#include "cli/cli_commands.h"

namespace quintrel::cli {

namespace {

// The last line of text that is not empty: what a child that failed said last.
std::string last_line(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::string last;
  while (std::getline(lines, line)) {
    if (!line.empty()) {
      last = line;
    }
  }
  return last;
}

}  // namespace

std::string text_of(const JsonObject& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::optional<JsonObject> last_json_object(const std::string& output) {
  std::istringstream lines(output);
  std::optional<JsonObject> found;
  for (std::string line; std::getline(lines, line);) {
    JsonObject parsed = JsonObject::parse(line, nullptr, false);
    if (parsed.is_object()) {
      found = std::move(parsed);
    }
  }
  return found;
}

std::string child_failure(const ChildEnd& end, std::uint32_t deadline_ms,
                          const std::vector<std::string>& steps) {
  switch (end.how) {
    case ChildEnd::How::kNotRun:  // the detail: a failure of the line's record before it
      return end.detail.empty() ? "not started: the run was interrupted" : end.detail;
    case ChildEnd::How::kInterrupted:
      return "interrupted " + step_reached(end.err, steps);
    case ChildEnd::How::kStopped:
      return "no result within " + deadline_text(deadline_ms) + ": stopped " +
             step_reached(end.err, steps) + (end.detail.empty() ? "" : "; " + end.detail);
    case ChildEnd::How::kLost:
      return "its result cannot be known: " + end.detail;
    case ChildEnd::How::kCrashed:
      return "ended by " + end.detail + " without a result";
    case ChildEnd::How::kNotStarted:
      return "could not start a process for the port: " + end.detail;
    case ChildEnd::How::kExited:
      break;
  }
  if (last_json_object(end.out)) {
    return {};
  }
  const std::string said = last_line(without_step_marks(end.err));
  return said.empty() ? "ended without a result (exit " + std::to_string(end.exit_code) + ")"
                      : said;
}

JsonObject port_result(const std::string& port, const ChildEnd& end, std::uint32_t deadline_ms,
                       const std::vector<std::string>& steps) {
  const std::string failure = child_failure(end, deadline_ms, steps);
  if (failure.empty()) {
    JsonObject object = *last_json_object(end.out);
    if (!object.contains("ok")) {
      object["ok"] = end.exit_code == kExitSuccess;
    }
    if (!object.contains("exit")) {
      object["exit"] = end.exit_code;
    }
    return object;
  }
  const bool exited_failing = end.how == ChildEnd::How::kExited && end.exit_code > 0;
  if (end.how == ChildEnd::How::kNotRun || end.how == ChildEnd::How::kInterrupted) {
    const bool record_failed = end.how == ChildEnd::How::kNotRun && !end.detail.empty();
    return {{"port", port},
            {"ok", false},
            {"exit", record_failed ? kExitRecordFailed : kExitInterrupted},
            {"error", failure}};
  }
  return {{"port", port},
          {"ok", false},
          {"exit", exited_failing ? end.exit_code : kExitFailure},
          {"error", failure}};
}

std::string result_line(CliCommand command, const JsonObject& result) {
  const std::string port = text_of(result, "port");
  const std::string link = text_of(result, "link");
  const std::string place = link.empty() ? text_of(result, "by_id") : link;
  std::string line = port + (place.empty() || place == port ? "" : " (" + place + ")") + ": ";
  if (!result.value("ok", false)) {
    line += "failed (exit " + std::to_string(result.value("exit", kExitFailure)) + ")";
    for (const char* key : {"error", "reason"}) {
      const std::string text = text_of(result, key);
      if (!text.empty()) {
        line += ": " + text;
      }
    }
    return line;
  }
  switch (command) {
    case CliCommand::kRead:
      return line + "bitrate " + text_of(result, "bitrate") + ", identifier " +
             text_of(result, "identifier");
    case CliCommand::kSave:
      return line + utf8_from_utf16(messages::kSaved);
    default:
      return line + "buzzer off";
  }
}

}  // namespace quintrel::cli

#include "cli/batch/step_marks.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "device/setting_commands.h"
#include "device/verified_save.h"
#include "link/passing_port.h"

namespace quintrel::cli {

namespace {

class StepMarkingPort final : public PassingPort {
 public:
  StepMarkingPort(std::unique_ptr<SerialPort> inner, std::ostream& out)
      : PassingPort(std::move(inner)), out_(out) {}

  void purge() override {
    out_ << kStepMark << ++steps_ << '\n' << std::flush;
    inner().purge();
  }

 private:
  std::ostream& out_;
  int steps_ = 0;
};

bool is_step_mark(const std::string& line) {
  return line.rfind(kStepMark, 0) == 0;
}

}  // namespace

OpenedPort StepMarkingBackend::open_exclusive(std::u16string_view port_name) {
  OpenedPort opened = inner_.open_exclusive(port_name);
  if (opened.port) {
    opened.port = std::make_unique<StepMarkingPort>(std::move(opened.port), out_);
  }
  return opened;
}

std::vector<std::string> job_steps(const CliRequest& request) {
  const auto named = [](const auto& steps) {
    return std::vector<std::string>(steps.begin(), steps.end());
  };
  switch (request.command) {
    case CliCommand::kRead:
      return named(kReadSettingsSteps);
    case CliCommand::kSave: {
      std::vector<std::string> steps =
          request.verify ? save_and_verify_steps() : named(kSaveSettingsSteps);
      if (request.line.read_before) {  // the values before, for the line's record
        const std::vector<std::string> reading = named(kReadSettingsSteps);
        steps.insert(steps.begin(), reading.begin(), reading.end());
      }
      return steps;
    }
    case CliCommand::kBuzzerOff:
      return named(kBuzzerOffSteps);
    case CliCommand::kPorts:
    case CliCommand::kProbePort:
    case CliCommand::kPortJob:
    case CliCommand::kRecord:
      break;
  }
  return named(kReadBitrateSteps);
}

int last_step_begun(const std::string& err) {
  std::istringstream lines(err);
  int last = 0;
  for (std::string line; std::getline(lines, line);) {
    if (is_step_mark(line)) {
      // The highest, not the last: a later line that only looks like a mark (a port name
      // holding a newline) must not make a sent identifier look unsent.
      last = std::max(
          last, static_cast<int>(std::strtol(line.c_str() + sizeof kStepMark - 1, nullptr, 10)));
    }
  }
  return last;
}

std::string step_reached(const std::string& err, const std::vector<std::string>& steps) {
  const int step = last_step_begun(err);
  if (step == 0) {
    return "before its first step";
  }
  const std::size_t index = static_cast<std::size_t>(step) - 1;
  if (index >= steps.size()) {
    return "in step " + std::to_string(step);
  }
  return "in step " + std::to_string(step) + " of " + std::to_string(steps.size()) + " (" +
         steps[index] + ")";
}

std::string without_step_marks(const std::string& err) {
  std::istringstream lines(err);
  std::string kept;
  for (std::string line; std::getline(lines, line);) {
    if (!is_step_mark(line)) {
      kept += line + '\n';
    }
  }
  return kept;
}

}  // namespace quintrel::cli

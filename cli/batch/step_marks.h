// How far a port's job got, for a run that had to stop it: the job marks on its error output each
// exchange it begins (every exchange begins by purging the port), as a line kStepMark and the
// step's number, and the run names the step from its command.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_arguments.h"
#include "link/serial_port.h"

namespace quintrel::cli {

inline constexpr char kStepMark[] = "quintrel-step ";

// The backend with every device it opens marking its exchanges on out.
class StepMarkingBackend final : public SerialBackend {
 public:
  StepMarkingBackend(SerialBackend& inner, std::ostream& out) : inner_(inner), out_(out) {}

  OpenedPort open_exclusive(std::u16string_view port_name) override;
  std::string other_holders(std::u16string_view port_name) override {
    return inner_.other_holders(port_name);
  }

 private:
  SerialBackend& inner_;
  std::ostream& out_;
};

// The steps of the request's command in order, one per exchange, as device/ names its operations'
// exchanges: "writing the bitrate", "committing", ... (a probe: read_bitrate's).
std::vector<std::string> job_steps(const CliRequest& request);

// The number of the last step the job's error output marks as begun; 0 for none.
int last_step_begun(const std::string& err);

// Where the job whose error output this is got to: "in step 3 of 5 (committing)", or "before its
// first step" (steps: job_steps).
std::string step_reached(const std::string& err, const std::vector<std::string>& steps);

// The error output without its step marks.
std::string without_step_marks(const std::string& err);

}  // namespace quintrel::cli

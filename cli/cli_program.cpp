#include "cli/cli_program.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/batch/batch_command.h"
#include "cli/batch/batch_dispatch.h"
#include "cli/batch/port_job.h"
#include "cli/batch/step_marks.h"
#include "cli/cli_arguments.h"
#include "cli/cli_commands.h"
#include "cli/cli_services.h"
#include "cli/line/line_recorder.h"
#include "cli/line/record_command.h"
#include "link/monotonic_clock.h"
#include "link/tracing_port.h"
#include "platform/child_process.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "platform/terminal.h"

namespace quintrel::cli {

namespace {

// The request of a port's job from standard input.
Result<CliRequest> read_port_job() {
  if (input_is_terminal()) {
    return Failure{std::string(kPortJobCommand) +
                   " is quintrel-cli's own entry: a run over many ports starts it with a request "
                   "on standard input. To work on a port, run read, save or buzzer-off (see "
                   "quintrel-cli --help)"};
  }
  const Result<std::string> text = port_job_input(std::cin);
  if (!text) {
    return Failure{std::string(kPortJobCommand) + ": " + text.error()};
  }
  Result<CliRequest> request = port_job_request(*text);
  if (!request) {
    return Failure{std::string(kPortJobCommand) + ": " + request.error()};
  }
  return request;
}

// A save on one port runs to its end whatever stop request comes (its exchanges time out within
// seconds): stopped between its writes and its commit, it would leave the device half-written.
int run_one_port_command(const CliRequest& request, const CliServices& services) {
  std::unique_ptr<StopRequests> stops;
  if (request.command == CliCommand::kSave) {
    stops = hold_stop_signals();
  }
  const int status = services.recorder != nullptr
                         ? services.recorder->run_one_port(request, services, std::cout, std::cerr)
                         : run_cli_command(request, services, std::cout, std::cerr);
  if (stops && stops->count() > 0) {
    std::cerr << "stop requested during the save: the save was finished first, so that the "
                 "device is not left half-written\n";
  }
  return status;
}

// How a run ended, and what it was asked to do once the arguments were understood.
struct RunEnd {
  int exit_code = kExitSuccess;
  CliCommand command = CliCommand::kPorts;
};

// Runs a request on the platform's serial backend, traced as asked; a port's job marks its steps.
int run_request(CliRequest request, bool port_job, PlatformServices& platform) {
  TracingBackend tracing(platform.serial_backend(), std::cerr, platform.clock());
  TracingBackend precise_tracing(platform.serial_backend(), std::cerr, monotonic_clock());
  SerialBackend& backend = request.precise_trace ? precise_tracing
                           : request.trace       ? tracing
                                                 : platform.serial_backend();
  // A port's job tells its run how far it got, should the run have to stop it.
  StepMarkingBackend marking(backend, std::cerr);
  // A save's record is reached before any device is touched (a port's job leaves it to its run).
  std::unique_ptr<LineRecorder> recorder;
  if (request.command == CliCommand::kSave && !port_job) {
    Result<std::unique_ptr<LineRecorder>> opened =
        open_save_recorder(request, &platform.port_scanner(), std::cerr);
    if (!opened) {
      std::cerr << opened.error() << '\n';
      return kExitRecordFailed;
    }
    recorder = std::move(*opened);
    request.line.read_before = recorder != nullptr && recorder->required();
  }
  const CliServices services{port_job ? marking : backend, &platform.port_scanner(),
                             platform.clock(), recorder.get()};
  const std::optional<int> concurrent = run_batch_request(request, services, std::cout, std::cerr);
  if (concurrent) {
    return *concurrent;
  }
  return port_job ? run_cli_command(request, services, std::cout, std::cerr)
                  : run_one_port_command(request, services);
}

// Understands the command line and runs what it asks.
RunEnd run_command_line(int argc, char** argv, PlatformServices& platform) {
  const Result<std::optional<CliRequest>> parsed = parse_cli_arguments(argc, argv, std::cout);
  if (!parsed) {
    std::cerr << parsed.error() << '\n';
    return {kExitUsage};
  }
  if (!*parsed) {
    return {kExitSuccess};
  }
  const bool port_job = (*parsed)->command == CliCommand::kPortJob;
  const Result<CliRequest> request = port_job ? read_port_job() : Result<CliRequest>(**parsed);
  if (!request) {
    std::cerr << request.error() << '\n';
    return {kExitUsage};
  }
  const CliRequest& asked = *request;
  if (asked.command == CliCommand::kRecord) {
    return {run_record_command(asked, std::cout, std::cerr), asked.command};
  }
  if (asked.parent_pid != 0 && !end_with_parent(asked.parent_pid)) {
    std::cerr << kPortJobCommand << ": process " << asked.parent_pid
              << " that the request names is not this process's parent (it has ended, or it did "
                 "not start this one): nothing was done\n";
    return {kExitFailure, asked.command};
  }
  return {run_request(asked, port_job, platform), asked.command};
}

// What the command did, for a user whose output was lost: a save's device keeps what it got.
std::string what_was_done(CliCommand command, int exit_code) {
  if (exit_code != kExitSuccess) {
    return "the command itself failed (exit " + std::to_string(exit_code) + ")";
  }
  if (command == CliCommand::kSave) {
    return "the device's settings were saved; only this report of it was lost ('read' shows "
           "them)";
  }
  return "the command succeeded, but its results were lost; run it again with its output going "
         "where it can be written";
}

}  // namespace

int run_cli_program(int argc, char** argv, PlatformServices& platform) {
  const auto [exit_code, command] = run_command_line(argc, argv, platform);
  const std::optional<OutputFailure> failure = output_failure(std::cout);
  // Only runs over many ports end so, and they tell of their output in their summary.
  if (!failure || exit_code == kExitOutputClosed || exit_code == kExitOutputFailed ||
      exit_code == kExitInterrupted) {
    return exit_code;
  }
  std::cerr << "standard output could not be written (" << failure->cause
            << "): " << what_was_done(command, exit_code) << '\n';
  if (exit_code != kExitSuccess) {
    return exit_code;
  }
  return failure->reader_gone ? kExitOutputClosed : kExitOutputFailed;
}

}  // namespace quintrel::cli

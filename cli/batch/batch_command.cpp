#include "cli/batch/batch_command.h"

#include <map>

#include "base/count_text.h"
#include "cli/batch/job_deadline.h"
#include "cli/batch/port_job.h"
#include "cli/batch/status_board.h"
#include "cli/batch/step_marks.h"
#include "cli/cli_commands.h"
#include "cli/line/recording_observer.h"
#include "platform/standard_streams.h"

namespace quintrel::cli {

namespace {

// The summary names this many failed ports, enough for a bench's worth at a glance while a
// pattern that failed hundreds keeps the summary short; every one has its own result line anyway.
constexpr std::size_t kFailedNamedInSummary = 20;

// Shows the jobs' progress and prints each port's result as its child ends.
class BatchPrinter final : public BatchObserver {
 public:
  BatchPrinter(const CliRequest& request, const std::vector<std::string>& ports,
               BatchServices& services, std::ostream& out, std::ostream& err,
               const BatchContext& context)
      : request_(request),
        ports_(ports),
        context_(context),
        services_(services),
        out_(out),
        err_(err),
        board_(out, ports,
               services.live && !request.json && !request.trace && !request.precise_trace) {}

  void job_started(std::size_t job) override {
    started_at_[job] = services_.clock.now_ms();
    board_.set_running(job, 0);
  }

  void job_ended(const ChildEnd& end) override {
    started_at_.erase(end.job);
    const JsonObject result = without_present_ports(with_port_places(
        port_result(ports_[end.job], end, job_deadline_ms(request_), job_steps(request_)),
        context_.listed));
    const bool stopped_by_run =
        end.how == ChildEnd::How::kNotRun || end.how == ChildEnd::How::kInterrupted;
    states_[end.job] = stopped_by_run ? text_of(result, "error") : "done";
    if (const std::string warning = text_of(result, "warning"); !warning.empty()) {
      warnings_.push_back(warning);
    }
    // Once standard output is closed, the results are dropped; the ports still finish.
    if (request_.json) {
      out_ << json_text(result) << '\n' << std::flush;
    } else {
      board_.show_result(end.job, result_line(request_.command, result));
    }
    if ((request_.trace || request_.precise_trace) && !end.err.empty()) {
      err_ << "--- " << ports_[end.job] << '\n' << without_step_marks(end.err) << std::flush;
    }
    count(result);
  }

  // The ports that failed before any child ran, printed ahead of the board.
  void show_failed_before() {
    for (const JsonObject& failed : context_.failed) {
      const JsonObject result = with_port_places(failed, context_.listed);
      out_ << (request_.json ? json_text(result) : result_line(request_.command, result)) << '\n'
           << std::flush;
      count(result);
    }
  }

  void stopping(std::size_t running) override {
    const bool one = running == 1;
    board_.show_note(err_, running == 0
                               ? std::string("stopping: no device was running")
                               : "stopping: waiting for " + count_text(running, "device") +
                                     " to finish " + (one ? "its" : "their") +
                                     " command (Ctrl+C again stops " + (one ? "it" : "them") +
                                     " at once, which may leave a device half-written)");
  }

  void tick() override {
    const std::uint32_t now = services_.clock.now_ms();
    for (const auto& [job, start] : started_at_) {
      board_.set_running(job, now - start);
    }
    board_.refresh();
  }

  // The warnings, where each port stands after an interruption, lost output, the count of ports
  // that succeeded and those that failed, then what the run left out; the run's exit status.
  int summarise() {
    for (const std::string& warning : warnings_) {
      err_ << "warning: " << warning << '\n';
    }
    const bool interrupted = services_.stops != nullptr && services_.stops->count() > 0;
    if (interrupted) {
      err_ << "interrupted; where each port stands:\n";
      for (std::size_t i = 0; i < ports_.size(); ++i) {
        err_ << "  " << ports_[i] << ": " << states_[i] << '\n';
      }
    }
    const std::optional<OutputFailure> output = output_failure(out_);
    if (output) {
      const char* what = output->reader_gone ? "standard output was closed"
                                             : "standard output could not be written";
      err_ << what << " (" << output->cause << "): the results still due were not printed\n";
    }
    print_count();
    if (!context_.skipped.empty()) {
      err_ << context_.skipped << '\n';
    }
    if (present_ports_cut_) {
      err_ << present_ports_ << '\n';
    }
    if (interrupted) {
      return kExitInterrupted;
    }
    if (output) {
      return output->reader_gone ? kExitOutputClosed : kExitOutputFailed;
    }
    return failed_.empty() ? kExitSuccess : kExitSomePortFailed;
  }

 private:
  // "3 of 5 ports succeeded; failed: A (exit 1), B (exit 3)".
  void print_count() {
    err_ << succeeded_ << " of " << count_text(succeeded_ + failed_.size(), "port") << " succeeded";
    for (std::size_t i = 0; i < failed_.size() && i < kFailedNamedInSummary; ++i) {
      err_ << (i == 0 ? "; failed: " : ", ") << failed_[i];
    }
    if (failed_.size() > kFailedNamedInSummary) {
      err_ << " and " << failed_.size() - kFailedNamedInSummary << " more, each on its line";
    }
    err_ << '\n';
  }

  // A port that does not exist names the ports present; with many such ports that list is said
  // once, after the summary, instead of on every port's line.
  JsonObject without_present_ports(JsonObject result) {
    const std::string reason = text_of(result, "reason");
    if (reason.empty() || result.value("exit", kExitSuccess) != kExitCannotOpen) {
      return result;
    }
    if (!present_ports_known_) {
      present_ports_ = present_ports_note(services_.port_scanner);
      present_ports_known_ = true;
    }
    const std::string suffix = "; " + present_ports_;
    if (!present_ports_.empty() && reason.ends_with(suffix)) {
      result["reason"] = reason.substr(0, reason.size() - suffix.size());
      present_ports_cut_ = true;
    }
    return result;
  }

  void count(const JsonObject& result) {
    if (result.value("ok", false)) {
      ++succeeded_;
    } else {
      failed_.push_back(text_of(result, "port") + " (exit " +
                        std::to_string(result.value("exit", kExitFailure)) + ")");
    }
  }

  const CliRequest& request_;
  const std::vector<std::string>& ports_;
  const BatchContext& context_;
  std::vector<std::string> warnings_;  // the children's, as they ended
  BatchServices& services_;
  std::ostream& out_;
  std::ostream& err_;
  StatusBoard board_;
  std::map<std::size_t, std::uint32_t> started_at_;
  std::size_t succeeded_ = 0;
  std::vector<std::string> failed_;
  std::string present_ports_;
  bool present_ports_known_ = false;
  bool present_ports_cut_ = false;
  std::vector<std::string> states_ = std::vector<std::string>(ports_.size(), "not started");
};

}  // namespace

ChildJob port_child_job(const CliRequest& request, const std::string& port) {
  return {
      {kPortJobCommand}, port_job_text(request, port, this_process_id()), job_deadline_ms(request)};
}

int run_port_batch(const CliRequest& request, const std::vector<std::string>& ports,
                   BatchServices& services, std::ostream& out, std::ostream& err,
                   const BatchContext& context) {
  std::vector<ChildJob> jobs;
  for (const std::string& port : ports) {
    jobs.push_back(port_child_job(request, port));
  }
  BatchPrinter printer(request, ports, services, out, err, context);
  printer.show_failed_before();
  if (services.recorder == nullptr) {
    run_batch_children(services.runner, services.clock, jobs, services.limits, services.stops,
                       printer);
    return printer.summarise();
  }
  RecordingObserver recording(printer, *services.recorder, request, ports, err);
  run_batch_children(services.runner, services.clock, jobs, services.limits, services.stops,
                     recording);
  return services.recorder->final_status(printer.summarise());
}

}  // namespace quintrel::cli

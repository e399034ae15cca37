// A save's run over many ports with the line's record: each port's identifier taken right before
// its child starts, and its save settled and recorded when the child ends, before the run's own
// observer shows the result.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/batch/batch_children.h"
#include "cli/batch/batch_command.h"
#include "cli/batch/job_deadline.h"
#include "cli/batch/step_marks.h"
#include "cli/line/line_recorder.h"

namespace quintrel::cli {

class RecordingObserver final : public BatchObserver {
 public:
  RecordingObserver(BatchObserver& shown, LineRecorder& recorder, const CliRequest& request,
                    const std::vector<std::string>& ports, std::ostream& err)
      : shown_(shown), recorder_(recorder), request_(request), ports_(ports), err_(err) {}

  Result<void> job_starting(std::size_t job, ChildJob& child) override {
    return recorder_.prepare_job(request_, job, ports_[job], child, err_);
  }
  void job_started(std::size_t job) override { shown_.job_started(job); }
  void job_ended(const ChildEnd& end) override {
    recorder_.job_ended(
        request_, end,
        port_result(ports_[end.job], end, job_deadline_ms(request_), job_steps(request_)), err_);
    shown_.job_ended(end);
  }
  void tick() override { shown_.tick(); }
  void stopping(std::size_t running) override { shown_.stopping(running); }

 private:
  BatchObserver& shown_;
  LineRecorder& recorder_;
  const CliRequest& request_;
  const std::vector<std::string>& ports_;
  std::ostream& err_;
};

}  // namespace quintrel::cli

#include "cli/batch/batch_children.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace quintrel::cli {

namespace {

class BatchRun {
 public:
  BatchRun(ChildRunner& runner, Clock& clock, const std::vector<ChildJob>& jobs,
           const BatchLimits& limits, BatchObserver& observer)
      : runner_(runner),
        clock_(clock),
        jobs_(jobs),
        limits_(limits),
        observer_(observer),
        ends_(jobs.size()) {}

  bool done() const { return next_ >= jobs_.size() && started_at_.empty(); }

  // A stop request: no job starts any more; the first says so, a second stops the running ones.
  void stop(int stop_requests) {
    if (!stopping_) {
      stopping_ = true;
      observer_.stopping(started_at_.size());
    }
    while (next_ < jobs_.size()) {
      end_unstarted(next_++, ChildEnd::How::kNotRun, {});
    }
    if (stop_requests > 1) {
      while (!started_at_.empty()) {
        ChildEnd end = runner_.stop(started_at_.begin()->first);
        end.how = ChildEnd::How::kInterrupted;
        finish(std::move(end));
      }
    }
  }

  // Starts jobs while there are places. A start that lacks descriptors or processes waits for a
  // running child to give some back; with none running it fails.
  void start_jobs() {
    while (next_ < jobs_.size() &&
           started_at_.size() < std::max<std::size_t>(limits_.max_running, 1)) {
      const std::size_t job = next_;
      if (const Result<void> ready = observer_.job_starting(job, jobs_[job]); !ready) {
        stopping_ = true;
        while (next_ < jobs_.size()) {
          end_unstarted(next_++, ChildEnd::How::kNotRun, ready.error());
        }
        return;
      }
      const Result<ChildRunner::Start> started =
          runner_.start(job, jobs_[job].args, jobs_[job].input);
      if (started && *started == ChildRunner::Start::kNoRoomYet) {
        return;
      }
      ++next_;
      if (started) {
        started_at_[job] = clock_.now_ms();
        observer_.job_started(job);
      } else {
        end_unstarted(job, ChildEnd::How::kNotStarted, started.error());
      }
    }
  }

  // Waits no longer than the first deadline (or the next tick); stops the jobs past theirs.
  void wait() {
    if (started_at_.empty()) {
      return;
    }
    if (std::optional<ChildEnd> end = runner_.wait_for_end(wait_ms())) {
      finish(std::move(*end));
    }
    stop_overdue();
    observer_.tick();
  }

  std::vector<ChildEnd> ends() && { return std::move(ends_); }

 private:
  // Until the next tick or the first running job's deadline, whichever comes first.
  std::uint32_t wait_ms() const {
    std::uint32_t wait_ms = kBatchTickMs;
    const std::uint32_t now = clock_.now_ms();
    for (const auto& [job, start] : started_at_) {
      const std::uint32_t used = now - start;
      const std::uint32_t deadline = jobs_[job].deadline_ms;
      wait_ms = std::min(wait_ms, used >= deadline ? 0 : deadline - used);
    }
    return wait_ms;
  }

  void stop_overdue() {
    const std::uint32_t now = clock_.now_ms();
    std::vector<std::size_t> overdue;
    for (const auto& [job, start] : started_at_) {
      if (now - start >= jobs_[job].deadline_ms) {
        overdue.push_back(job);
      }
    }
    for (const std::size_t job : overdue) {
      finish(runner_.stop(job));
    }
  }

  void finish(ChildEnd end) {
    const std::size_t job = end.job;
    started_at_.erase(job);
    ends_[job] = std::move(end);
    observer_.job_ended(ends_[job]);
  }

  void end_unstarted(std::size_t job, ChildEnd::How how, std::string detail) {
    ChildEnd end;
    end.job = job;
    end.how = how;
    end.detail = std::move(detail);
    ends_[job] = std::move(end);
    observer_.job_ended(ends_[job]);
  }

  ChildRunner& runner_;
  Clock& clock_;
  std::vector<ChildJob> jobs_;  // a copy: each job's input may change right before it starts
  const BatchLimits& limits_;
  BatchObserver& observer_;
  std::vector<ChildEnd> ends_;
  std::map<std::size_t, std::uint32_t> started_at_;  // running jobs
  std::size_t next_ = 0;
  bool stopping_ = false;
};

}  // namespace

std::vector<ChildEnd> run_batch_children(ChildRunner& runner, Clock& clock,
                                         const std::vector<ChildJob>& jobs,
                                         const BatchLimits& limits, const StopRequests* stops,
                                         BatchObserver& observer) {
  BatchRun run(runner, clock, jobs, limits, observer);
  while (!run.done()) {
    if (const int stop_requests = stops != nullptr ? stops->count() : 0; stop_requests > 0) {
      run.stop(stop_requests);
      if (run.done()) {
        break;
      }
    }
    run.start_jobs();
    run.wait();
  }
  return std::move(run).ends();
}

}  // namespace quintrel::cli

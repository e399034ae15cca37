#include "cli/batch/child_batch.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace quintrel::cli {

std::vector<ChildEnd> run_child_batch(ChildRunner& runner, Clock& clock,
                                      const std::vector<ChildJob>& jobs, const BatchLimits& limits,
                                      const StopRequests* stops, BatchObserver& observer) {
  std::vector<ChildEnd> ends(jobs.size());
  std::map<std::size_t, std::uint32_t> started_at;  // running jobs
  std::size_t next = 0;

  const auto finish = [&](ChildEnd end) {
    started_at.erase(end.job);
    ends[end.job] = end;
    observer.job_ended(ends[end.job]);
  };

  const auto end_unstarted = [&](std::size_t job, ChildEnd::How how, std::string detail) {
    ChildEnd end;
    end.job = job;
    end.how = how;
    end.detail = std::move(detail);
    ends[job] = end;
    observer.job_ended(ends[job]);
  };

  while (next < jobs.size() || !started_at.empty()) {
    const int stop_requests = stops != nullptr ? stops->count() : 0;
    while (stop_requests > 0 && next < jobs.size()) {
      end_unstarted(next++, ChildEnd::How::kNotRun, {});
    }
    if (stop_requests > 1) {
      while (!started_at.empty()) {
        ChildEnd end = runner.stop(started_at.begin()->first);
        end.how = ChildEnd::How::kInterrupted;
        finish(std::move(end));
      }
      break;
    }
    while (next < jobs.size() && started_at.size() < std::max<std::size_t>(limits.max_running, 1)) {
      const std::size_t job = next++;
      std::string failure;
      if (runner.start(job, jobs[job].args, jobs[job].input, failure)) {
        started_at[job] = clock.now_ms();
        observer.job_started(job);
      } else {
        end_unstarted(job, ChildEnd::How::kNotStarted, failure);
      }
    }
    if (started_at.empty()) {
      continue;
    }

    // Wait no longer than the first deadline (or the next tick).
    std::uint32_t wait_ms = kBatchTickMs;
    const std::uint32_t now = clock.now_ms();
    for (const auto& [job, start] : started_at) {
      const std::uint32_t used = now - start;
      const std::uint32_t deadline = jobs[job].deadline_ms;
      wait_ms = std::min(wait_ms, used >= deadline ? 0 : deadline - used);
    }
    if (std::optional<ChildEnd> end = runner.wait_for_end(wait_ms)) {
      finish(std::move(*end));
    }

    const std::uint32_t after = clock.now_ms();
    std::vector<std::size_t> overdue;
    for (const auto& [job, start] : started_at) {
      if (after - start >= jobs[job].deadline_ms) {
        overdue.push_back(job);
      }
    }
    for (const std::size_t job : overdue) {
      finish(runner.stop(job));
    }
    observer.tick();
  }
  return ends;
}

}  // namespace quintrel::cli

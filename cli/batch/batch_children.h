// Runs many jobs side by side, one child process each, with a deadline per job: a child that has
// not ended when its deadline passes is stopped and reported as such, so no job can hold up the
// others or the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/result.h"
#include "link/clock.h"
#include "platform/child_process.h"
#include "platform/stop_signals.h"

namespace quintrel::cli {

// A running batch reports to its observer at least this often: the live status shows times in
// tenths of a second, and a quarter second keeps them moving without redrawing for nothing.
inline constexpr std::uint32_t kBatchTickMs = 250;

struct BatchLimits {
  std::size_t max_running = kMaxRunningChildren;
};

// One child's job: its arguments, what it reads on standard input and how long it may run.
struct ChildJob {
  std::vector<std::string> args;
  std::string input;
  std::uint32_t deadline_ms = 0;
};

class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  // Right before each try to start a job (a try the system refused for want of room comes again
  // later): it may still change the job's input (a save's identifier from the line's record). A
  // failure leaves it and every job after it unstarted (kNotRun, the failure as the end's detail).
  virtual Result<void> job_starting(std::size_t, ChildJob&) { return {}; }
  virtual void job_started(std::size_t job) = 0;
  // Each job's end, in the order they end.
  virtual void job_ended(const ChildEnd& end) = 0;
  // Called between waits, at least every kBatchTickMs while jobs run.
  virtual void tick() = 0;
  // The first stop request was seen: running jobs go on to their end, no other starts.
  virtual void stopping(std::size_t running) = 0;
};

// Runs jobs[i] as job i and returns every job's end, indexed by job. After the first stop request
// (stops may be null: none come) no job starts (each left ends as kNotRun) and the running ones
// go on to their end; after the second those are stopped too (kInterrupted). A job the system
// cannot start for want of descriptors or processes waits for a running one to end; it fails
// (kNotStarted) only when none runs.
std::vector<ChildEnd> run_batch_children(ChildRunner& runner, Clock& clock,
                                         const std::vector<ChildJob>& jobs,
                                         const BatchLimits& limits, const StopRequests* stops,
                                         BatchObserver& observer);

}  // namespace quintrel::cli

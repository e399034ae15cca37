// Children on Windows: CreateProcessW of this program's own file with anonymous pipes for its
// output, without a console, every child in one job object that kills them all when the runner
// (or this process) ends (win32_child_start), TerminateProcess at the deadline. The pipes are
// drained with PeekNamedPipe, which returns at once in a single-threaded program, while
// WaitForMultipleObjects waits on the processes.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>

#include "base/ascii_text.h"
#include "platform/windows/win32_child_process.h"
#include "platform/windows/win32_child_start.h"
#include "platform/windows/win32_system_failure.h"

namespace quintrel::cli {

namespace {

static_assert(kMaxRunningChildren <= MAXIMUM_WAIT_OBJECTS,
              "WaitForMultipleObjects waits on every running child at once");

// While any child runs, its pipes are looked at this often.
constexpr DWORD kDrainPollMs = 5;
// The exit code of a child stopped at its deadline or given up because its end could not be
// followed.
constexpr UINT kStoppedExitCode = 1;
// No dialog may hold a child up: a crash ends it at once (no Windows Error Reporting) instead of
// waiting for a click that never comes and being stopped at its deadline as a stuck driver, and
// a critical error (a drive not ready) goes back to the call. A child inherits the process error
// mode of its parent ("GetErrorMode function"), so the mode is set for the process while the
// runner lives, not with SetThreadErrorMode, which sets the calling thread's own.
constexpr UINT kChildErrorMode = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;

// Takes what the pipe holds now, without waiting.
void drain(const Handle& pipe, std::string& into) {
  for (;;) {
    DWORD available = 0;
    if (!pipe || !PeekNamedPipe(pipe.get(), nullptr, 0, nullptr, &available, nullptr) ||
        available == 0) {
      return;
    }
    char buffer[4096];
    DWORD got = 0;
    const DWORD want = std::min<DWORD>(available, sizeof buffer);
    if (!ReadFile(pipe.get(), buffer, want, &got, nullptr) || got == 0) {
      return;
    }
    into.append(buffer, got);
  }
}

class Win32ChildRunner final : public ChildRunner {
 public:
  explicit Win32ChildRunner(const Win32ChildCalls& calls);
  // Closing the job kills whatever is left of the children.
  ~Win32ChildRunner() override;
  Win32ChildRunner(const Win32ChildRunner&) = delete;
  Win32ChildRunner& operator=(const Win32ChildRunner&) = delete;

  Result<Start> start(std::size_t job, const std::vector<std::string>& args,
                      const std::string& input) override;
  std::optional<ChildEnd> wait_for_end(std::uint32_t max_wait_ms) override;
  ChildEnd stop(std::size_t job) override;

 private:
  using Running = std::map<std::size_t, RunningChild>::iterator;

  // The name of the next child's input pipe: unique to this runner in this session.
  std::wstring next_input_pipe();
  ChildEnd ended(Running it);
  ChildEnd lost(Running it, const std::string& failure);

  Win32ChildCalls calls_;
  Result<std::wstring> program_;
  Result<Handle> job_;        // without one no child is started
  unsigned inputs_made_ = 0;  // numbers the input pipes' names
  UINT previous_error_mode_;
  std::map<std::size_t, RunningChild> running_;
};

Win32ChildRunner::Win32ChildRunner(const Win32ChildCalls& calls)
    : calls_(calls),
      program_(program_path(calls_)),
      job_(make_kill_on_close_job()),
      previous_error_mode_(SetErrorMode(GetErrorMode() | kChildErrorMode)) {}

Win32ChildRunner::~Win32ChildRunner() {
  for (auto& [job, child] : running_) {
    TerminateProcess(child.process.get(), kStoppedExitCode);
  }
  for (auto& [job, child] : running_) {
    WaitForSingleObject(child.process.get(), kTerminateWaitMs);
  }
  SetErrorMode(previous_error_mode_);
}

std::wstring Win32ChildRunner::next_input_pipe() {
  return L"\\\\.\\pipe\\quintrel-input-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(reinterpret_cast<std::uintptr_t>(this)) + L"-" +
         std::to_wstring(++inputs_made_);
}

Result<ChildRunner::Start> Win32ChildRunner::start(std::size_t job,
                                                   const std::vector<std::string>& args,
                                                   const std::string& input) {
  if (!job_) {
    return Failure{job_.error()};
  }
  if (!program_) {
    return Failure{program_.error()};
  }
  Result<RunningChild> child = start_child(*program_, args, input, job_->get(), next_input_pipe());
  if (!child) {
    return Failure{child.error()};
  }
  running_[job] = std::move(*child);
  return Start::kStarted;
}

// A child whose process has ended: what it wrote last is in the pipes now, and its exit code is
// read only now, so STILL_ACTIVE (259) is never taken for one.
ChildEnd Win32ChildRunner::ended(Running it) {
  RunningChild& child = it->second;
  drain(child.out_pipe, child.out);
  drain(child.err_pipe, child.err);
  ChildEnd end;
  end.job = it->first;
  DWORD code = 0;
  if (!calls_.get_exit_code_process(child.process.get(), &code)) {
    // Its output may look like a success; without its exit code it is not one.
    end.how = ChildEnd::How::kLost;
    end.detail = system_error_text("GetExitCodeProcess");
  } else if (code >= 0xC0000000) {
    // An unhandled exception ends a process with its NTSTATUS code (0xC0000005, ...).
    end.how = ChildEnd::How::kCrashed;
    end.detail = "exception 0x" + hex_text(code, 8);
  } else {
    end.exit_code = static_cast<int>(code);
  }
  end.out = std::move(child.out);
  end.err = std::move(child.err);
  running_.erase(it);
  return end;
}

// A child whose end can no longer be waited for: it is ended (the job ends it at the latest with
// the runner) and reported with the wait's failure, rather than waited on by a loop whose every
// wait fails at once.
ChildEnd Win32ChildRunner::lost(Running it, const std::string& failure) {
  RunningChild& child = it->second;
  TerminateProcess(child.process.get(), kStoppedExitCode);
  drain(child.out_pipe, child.out);
  drain(child.err_pipe, child.err);
  ChildEnd end;
  end.job = it->first;
  end.how = ChildEnd::How::kLost;
  end.detail = failure + "; its process was ended";
  end.out = std::move(child.out);
  end.err = std::move(child.err);
  running_.erase(it);
  return end;
}

std::optional<ChildEnd> Win32ChildRunner::wait_for_end(std::uint32_t max_wait_ms) {
  const DWORD started = GetTickCount();
  for (;;) {
    std::vector<HANDLE> processes;
    for (auto it = running_.begin(); it != running_.end(); ++it) {
      RunningChild& child = it->second;
      if (child.input && !child.input->pending()) {
        child.input.reset();
      }
      drain(child.out_pipe, child.out);
      drain(child.err_pipe, child.err);
      const DWORD state = WaitForSingleObject(child.process.get(), 0);
      if (state == WAIT_OBJECT_0) {
        return ended(it);
      }
      if (state == WAIT_FAILED) {
        return lost(it, system_error_text("WaitForSingleObject"));
      }
      processes.push_back(child.process.get());
    }
    const DWORD used = GetTickCount() - started;
    if (used >= max_wait_ms || processes.empty()) {
      return std::nullopt;
    }
    // A child blocked on a full pipe would never end, so the wait is cut short to drain them.
    const DWORD wait = std::min<DWORD>(max_wait_ms - used, kDrainPollMs);
    if (calls_.wait_for_multiple_objects(static_cast<DWORD>(processes.size()), processes.data(),
                                         FALSE, wait) == WAIT_FAILED) {
      // The wait failed at once and would again on every round until the deadline. Each
      // child's own wait above succeeded, so no one child is to blame: one is ended a round, so
      // the run winds down with each result saying why instead of spinning.
      return lost(running_.begin(), system_error_text("WaitForMultipleObjects"));
    }
  }
}

// TerminateProcess only starts the end: "The terminated process cannot exit until all pending
// I/O has been completed or canceled", so a child stuck in its driver may keep its port. What
// is not sure yet is said with the result.
ChildEnd Win32ChildRunner::stop(std::size_t job) {
  ChildEnd end;
  end.job = job;
  end.how = ChildEnd::How::kStopped;
  const auto it = running_.find(job);
  if (it == running_.end()) {
    return end;
  }
  RunningChild& child = it->second;
  const bool terminated = TerminateProcess(child.process.get(), kStoppedExitCode) != FALSE;
  const DWORD terminate_error = GetLastError();
  const DWORD waited = WaitForSingleObject(child.process.get(), kTerminateWaitMs);
  if (waited == WAIT_FAILED) {
    end.detail = system_error_text("WaitForSingleObject") + ": the port may still be held";
  } else if (waited != WAIT_OBJECT_0) {
    end.detail = terminated ? "its process has not ended " + std::to_string(kTerminateWaitMs) +
                                  " ms later (the driver has not given up the port's I/O): the "
                                  "port stays busy until it does"
                            : system_error_text("TerminateProcess", terminate_error) +
                                  ": its process may still hold the port";
  }
  drain(child.out_pipe, child.out);
  drain(child.err_pipe, child.err);
  end.out = std::move(child.out);
  end.err = std::move(child.err);
  running_.erase(it);
  return end;
}

}  // namespace

bool end_with_parent(int) {  // the job object ends the children with their parent
  return true;
}

std::unique_ptr<ChildRunner> make_win32_child_runner(const Win32ChildCalls& calls) {
  return std::make_unique<Win32ChildRunner>(calls);
}

std::unique_ptr<ChildRunner> make_child_runner() {
  return make_win32_child_runner(Win32ChildCalls{});
}

}  // namespace quintrel::cli

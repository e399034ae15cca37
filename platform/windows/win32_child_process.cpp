// Children on Windows: CreateProcessW of this program's own file with anonymous pipes for its
// output, without a console, every child in one job object that kills them all when the runner
// (or this process) ends, TerminateProcess at the deadline. A child that cannot be put in the job
// is ended before it runs and reported not started, since a killed run would leave it holding
// its port. The pipes are drained with PeekNamedPipe, which returns at once in a single-threaded
// program, while WaitForMultipleObjects waits on the processes.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>

#include "base/utf8_text.h"
#include "platform/windows/win32_child_input.h"
#include "platform/windows/win32_child_process.h"
#include "platform/windows/win32_command_line.h"

namespace quintrel::cli {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");
static_assert(kMaxRunningChildren <= MAXIMUM_WAIT_OBJECTS,
              "WaitForMultipleObjects waits on every running child at once");

// While any child runs, its pipes are looked at this often.
constexpr DWORD kDrainPollMs = 5;
// How long a terminated child is waited for: TerminateProcess only starts the termination.
constexpr DWORD kTerminateWaitMs = 1000;
// The exit code of a child ended because it could not be put in the job, stopped at its deadline
// or given up because its end could not be followed.
constexpr UINT kNotStartedExitCode = 1;
constexpr UINT kStoppedExitCode = 1;
// Longest path GetModuleFileNameW can give: the limit of a "\\?\" path, in characters.
constexpr std::size_t kLongestPath = 32768;
// No dialog may hold a child up: a crash ends it at once (no Windows Error Reporting) instead of
// waiting for a click that never comes and being stopped at its deadline as a stuck driver, and
// a critical error (a drive not ready) goes back to the call. A child inherits the process error
// mode of its parent ("GetErrorMode function"), so the mode is set for the process while the
// runner lives, not with SetThreadErrorMode, which sets the calling thread's own.
constexpr UINT kChildErrorMode = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;
// Without a console of their own: a parent without a console would otherwise give each child a
// new console window. The output goes to the pipes of STARTF_USESTDHANDLES either way.
// (CREATE_NO_WINDOW is ignored together with DETACHED_PROCESS: "Process Creation Flags".)
constexpr DWORD kCreationFlags = CREATE_SUSPENDED | DETACHED_PROCESS | EXTENDED_STARTUPINFO_PRESENT;

std::wstring wide(const std::string& text) {
  const std::u16string utf16 = utf16_from_utf8(text);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string system_error_text(const char* call, DWORD error = GetLastError()) {
  return std::string(call) + " failed (Windows error " + std::to_string(error) + ")";
}

// This program's file; GetModuleFileNameW cuts the path to the buffer and says so only by filling
// it, so the buffer grows until the path fits. Empty on failure, with the call's error in error,
// read before any other call can replace it.
std::wstring program_path(const Win32ChildCalls& calls, DWORD& error) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        calls.get_module_file_name(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      error = GetLastError();
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) {
      error = ERROR_INSUFFICIENT_BUFFER;  // still cut at the longest path there can be
      return {};
    }
    path.resize(path.size() * 2);
  }
}

// A handle closed at the end of its scope.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { reset(); }
  Handle(Handle&& other) noexcept : handle_(other.release()) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }

  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    const HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset() {
    if (*this) {
      CloseHandle(handle_);
    }
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

struct Child {
  Handle process;
  std::unique_ptr<ChildInput> input;  // its request, while it is being written
  Handle out_pipe;                    // read ends
  Handle err_pipe;
  std::string out;
  std::string err;
};

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

// A pipe whose read end stays here and whose write end the child inherits.
bool make_pipe(Handle& read_end, Handle& write_end) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(read_end.out(), write_end.out(), &inherit, 0)) {
    return false;
  }
  return SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0) != FALSE;
}

class Win32ChildRunner final : public ChildRunner {
 public:
  explicit Win32ChildRunner(const Win32ChildCalls& calls);
  // Closing the job kills whatever is left of the children.
  ~Win32ChildRunner() override;
  Win32ChildRunner(const Win32ChildRunner&) = delete;
  Win32ChildRunner& operator=(const Win32ChildRunner&) = delete;

  Start start(std::size_t job, const std::vector<std::string>& args, const std::string& input,
              std::string& failure) override;
  std::optional<ChildEnd> wait_for_end(std::uint32_t max_wait_ms) override;
  ChildEnd stop(std::size_t job) override;

 private:
  using Running = std::map<std::size_t, Child>::iterator;

  bool create(const std::vector<std::string>& args, const std::string& input, Child& child,
              std::string& failure);
  bool make_pipes(Child& child, Handle& in_read, Handle& out_write, Handle& err_write,
                  std::string& failure);
  ChildEnd ended(Running it);
  ChildEnd lost(Running it, const std::string& failure);

  Win32ChildCalls calls_;
  DWORD program_error_ = ERROR_SUCCESS;
  std::wstring program_;
  Handle job_;
  std::string job_failure_;   // why there is no job: then no child is started
  unsigned inputs_made_ = 0;  // numbers the input pipes' names
  UINT previous_error_mode_;
  std::map<std::size_t, Child> running_;
};

Win32ChildRunner::Win32ChildRunner(const Win32ChildCalls& calls)
    : calls_(calls),
      program_(program_path(calls_, program_error_)),
      previous_error_mode_(SetErrorMode(GetErrorMode() | kChildErrorMode)) {
  job_ = Handle(CreateJobObjectW(nullptr, nullptr));
  if (!job_) {
    job_failure_ = system_error_text("CreateJobObjectW");
    return;
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    // Without the limit the job would only keep the children from ending with this process.
    job_failure_ = system_error_text("SetInformationJobObject");
    job_.reset();
  }
}

Win32ChildRunner::~Win32ChildRunner() {
  for (auto& [job, child] : running_) {
    TerminateProcess(child.process.get(), kStoppedExitCode);
  }
  for (auto& [job, child] : running_) {
    WaitForSingleObject(child.process.get(), kTerminateWaitMs);
  }
  SetErrorMode(previous_error_mode_);
}

bool Win32ChildRunner::create(const std::vector<std::string>& args, const std::string& input,
                              Child& child, std::string& failure) {
  if (!job_) {
    failure = job_failure_;
    return false;
  }
  if (program_.empty()) {
    failure = system_error_text("GetModuleFileNameW", program_error_);
    return false;
  }
  Handle in_read, out_write, err_write;
  if (!make_pipes(child, in_read, out_write, err_write, failure)) {
    return false;
  }

  // Only these three handles go to the child, so no child holds another child's pipe open.
  HANDLE inherited[] = {in_read.get(), out_write.get(), err_write.get()};
  SIZE_T list_size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);  // fails by design: the size
  std::vector<char> list_memory(list_size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_memory.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &list_size)) {
    failure = system_error_text("InitializeProcThreadAttributeList");
    return false;
  }
  const bool listed = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                inherited, sizeof inherited, nullptr, nullptr);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = in_read.get();
  startup.StartupInfo.hStdOutput = out_write.get();
  startup.StartupInfo.hStdError = err_write.get();
  startup.lpAttributeList = list;

  std::vector<std::string> words = {
      utf8_from_utf16(std::u16string(program_.begin(), program_.end()))};
  words.insert(words.end(), args.begin(), args.end());
  std::wstring command_line = wide(windows_command_line(words));  // CreateProcessW may write to it
  PROCESS_INFORMATION started{};
  // Suspended until it is in the job, so that nothing it does escapes the job.
  const BOOL created =
      listed && CreateProcessW(program_.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                               kCreationFlags, nullptr, nullptr, &startup.StartupInfo, &started);
  if (!created) {
    failure = system_error_text(listed ? "CreateProcessW" : "UpdateProcThreadAttribute");
  }
  DeleteProcThreadAttributeList(list);
  if (!created) {
    return false;
  }
  Handle process(started.hProcess);
  const Handle thread(started.hThread);
  const char* refused = nullptr;
  if (!AssignProcessToJobObject(job_.get(), process.get())) {
    refused = "AssignProcessToJobObject";
  } else if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    refused = "ResumeThread";
  }
  if (refused != nullptr) {
    const DWORD error = GetLastError();
    TerminateProcess(process.get(), kNotStartedExitCode);
    WaitForSingleObject(process.get(), kTerminateWaitMs);
    failure = system_error_text(refused, error);
    return false;
  }
  child.process = std::move(process);
  // With this process's copy of the read end closed, a child that ended early fails the write.
  in_read.reset();
  child.input->write(input);
  return true;
}

// The child's output pipes, and its input pipe (whose write end stays here, written overlapped
// once the child runs).
bool Win32ChildRunner::make_pipes(Child& child, Handle& in_read, Handle& out_write,
                                  Handle& err_write, std::string& failure) {
  if (!make_pipe(child.out_pipe, out_write) || !make_pipe(child.err_pipe, err_write)) {
    failure = system_error_text("CreatePipe");
    return false;
  }
  const std::wstring name = L"\\\\.\\pipe\\quintrel-input-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(reinterpret_cast<std::uintptr_t>(this)) + L"-" +
                            std::to_wstring(++inputs_made_);
  child.input = std::make_unique<ChildInput>();
  HANDLE child_end = nullptr;
  const char* failed_call = nullptr;
  DWORD error = 0;
  if (!child.input->open(name, child_end, failed_call, error)) {
    failure = system_error_text(failed_call, error);
    return false;
  }
  in_read = Handle(child_end);
  return true;
}

ChildRunner::Start Win32ChildRunner::start(std::size_t job, const std::vector<std::string>& args,
                                           const std::string& input, std::string& failure) {
  Child child;
  if (!create(args, input, child, failure)) {
    return Start::kRefused;
  }
  running_[job] = std::move(child);
  return Start::kStarted;
}

// A child whose process has ended: what it wrote last is in the pipes now, and its exit code is
// read only now, so STILL_ACTIVE (259) is never taken for one.
ChildEnd Win32ChildRunner::ended(Running it) {
  Child& child = it->second;
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
    char text[32];
    std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
    end.detail = text;
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
  Child& child = it->second;
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
      Child& child = it->second;
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
  Child& child = it->second;
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

#include "platform/windows/win32_child_start.h"

#include <array>
#include <utility>

#include "base/utf8_text.h"
#include "platform/windows/win32_command_line.h"
#include "platform/windows/win32_system_failure.h"

namespace quintrel::cli {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

// The exit code of a child ended because it could not be put in the job.
constexpr UINT kNotStartedExitCode = 1;
// Longest path GetModuleFileNameW can give: the limit of a "\\?\" path, in characters.
constexpr std::size_t kLongestPath = 32768;
// Without a console of their own: a parent without a console would otherwise give each child a
// new console window. The output goes to the pipes of STARTF_USESTDHANDLES either way.
// (CREATE_NO_WINDOW is ignored together with DETACHED_PROCESS: "Process Creation Flags".)
constexpr DWORD kCreationFlags = CREATE_SUSPENDED | DETACHED_PROCESS | EXTENDED_STARTUPINFO_PRESENT;

std::wstring wide(const std::string& text) {
  const std::u16string utf16 = utf16_from_utf8(text);
  return std::wstring(utf16.begin(), utf16.end());
}

// The child's ends of its three pipes; the read ends of its output stay with the child's record,
// and its input's writing end with its ChildInput.
struct ChildEnds {
  Handle in_read;
  Handle out_write;
  Handle err_write;
};

// A pipe whose read end stays here and whose write end the child inherits.
Result<void> make_output_pipe(Handle& read_end, Handle& write_end) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (!CreatePipe(read_end.out(), write_end.out(), &inherit, 0) ||
      !SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0)) {
    return system_failure("CreatePipe");
  }
  return {};
}

// The child's output pipes, and its input pipe (whose write end stays in child.input, written
// overlapped once the child runs).
Result<ChildEnds> make_pipes(RunningChild& child, const std::wstring& input_pipe) {
  ChildEnds ends;
  for (const auto& [read_end, write_end] :
       {std::pair{&child.out_pipe, &ends.out_write}, {&child.err_pipe, &ends.err_write}}) {
    if (Result<void> made = make_output_pipe(*read_end, *write_end); !made) {
      return Failure{made.error()};
    }
  }
  child.input = std::make_unique<ChildInput>();
  Result<Handle> in_read = child.input->open(input_pipe);
  if (!in_read) {
    return Failure{in_read.error()};
  }
  ends.in_read = std::move(*in_read);
  return ends;
}

// The attribute list that gives a child these handles and no others, so no child holds another
// child's pipe open.
class InheritedHandles {
 public:
  explicit InheritedHandles(const ChildEnds& ends)
      : handles_{ends.in_read.get(), ends.out_write.get(), ends.err_write.get()} {}
  ~InheritedHandles() {
    if (initialized_) {
      DeleteProcThreadAttributeList(list());
    }
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  Result<LPPROC_THREAD_ATTRIBUTE_LIST> make() {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);  // fails by design: the size
    memory_.resize(size);
    if (!InitializeProcThreadAttributeList(list(), 1, 0, &size)) {
      return system_failure("InitializeProcThreadAttributeList");
    }
    initialized_ = true;
    if (!UpdateProcThreadAttribute(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                   sizeof handles_, nullptr, nullptr)) {
      return system_failure("UpdateProcThreadAttribute");
    }
    return list();
  }

 private:
  LPPROC_THREAD_ATTRIBUTE_LIST list() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory_.data());
  }

  std::array<HANDLE, 3> handles_;
  std::vector<char> memory_;
  bool initialized_ = false;
};

// The child's process, suspended until it is in the job, so that nothing it does escapes the job.
Result<PROCESS_INFORMATION> create_suspended(const std::wstring& program,
                                             const std::vector<std::string>& args,
                                             const ChildEnds& ends) {
  InheritedHandles inherited(ends);
  const Result<LPPROC_THREAD_ATTRIBUTE_LIST> list = inherited.make();
  if (!list) {
    return Failure{list.error()};
  }
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = ends.in_read.get();
  startup.StartupInfo.hStdOutput = ends.out_write.get();
  startup.StartupInfo.hStdError = ends.err_write.get();
  startup.lpAttributeList = *list;

  std::vector<std::string> words = {
      utf8_from_utf16(std::u16string(program.begin(), program.end()))};
  words.insert(words.end(), args.begin(), args.end());
  std::wstring command_line = wide(windows_command_line(words));  // CreateProcessW may write to it
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, kCreationFlags,
                      nullptr, nullptr, &startup.StartupInfo, &started)) {
    return system_failure("CreateProcessW");
  }
  return started;
}

// Puts the suspended process in the job and lets it run; one that cannot be is ended first.
Result<void> run_in_job(HANDLE job, const Handle& process, const Handle& thread) {
  const char* refused = nullptr;
  if (!AssignProcessToJobObject(job, process.get())) {
    refused = "AssignProcessToJobObject";
  } else if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    refused = "ResumeThread";
  }
  if (refused == nullptr) {
    return {};
  }
  const DWORD error = GetLastError();
  TerminateProcess(process.get(), kNotStartedExitCode);
  WaitForSingleObject(process.get(), kTerminateWaitMs);
  return system_failure(refused, error);
}

}  // namespace

// GetModuleFileNameW cuts the path to the buffer and says so only by filling it, so the buffer
// grows until the path fits.
Result<std::wstring> program_path(const Win32ChildCalls& calls) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        calls.get_module_file_name(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return system_failure("GetModuleFileNameW");
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) {
      // Still cut at the longest path there can be.
      return system_failure("GetModuleFileNameW", ERROR_INSUFFICIENT_BUFFER);
    }
    path.resize(path.size() * 2);
  }
}

Result<Handle> make_kill_on_close_job() {
  Handle job(CreateJobObjectW(nullptr, nullptr));
  if (!job) {
    return system_failure("CreateJobObjectW");
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    // Without the limit the job would only keep the children from ending with this process.
    return system_failure("SetInformationJobObject");
  }
  return job;
}

Result<RunningChild> start_child(const std::wstring& program, const std::vector<std::string>& args,
                                 const std::string& input, HANDLE job,
                                 const std::wstring& input_pipe) {
  RunningChild child;
  Result<ChildEnds> ends = make_pipes(child, input_pipe);
  if (!ends) {
    return Failure{ends.error()};
  }
  const Result<PROCESS_INFORMATION> started = create_suspended(program, args, *ends);
  if (!started) {
    return Failure{started.error()};
  }
  Handle process(started->hProcess);
  const Handle thread(started->hThread);
  if (Result<void> running = run_in_job(job, process, thread); !running) {
    return Failure{running.error()};
  }
  child.process = std::move(process);
  // With this process's copy of the read end closed, a child that ended early fails the write.
  ends->in_read.reset();
  child.input->write(input);
  return child;
}

}  // namespace quintrel::cli

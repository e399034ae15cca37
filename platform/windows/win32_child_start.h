// Starting a child on Windows: this program's file, the job object that holds every child, and
// CreateProcessW with the child's three pipes as its only inherited handles.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/result.h"
#include "platform/windows/win32_child_input.h"
#include "platform/windows/win32_child_process.h"
#include "platform/windows/win32_handle.h"

namespace quintrel::cli {

// How long a terminated child is waited for: TerminateProcess only starts the termination.
inline constexpr DWORD kTerminateWaitMs = 1000;

// A running child: its process, its request while that is being written, and its output.
struct RunningChild {
  Handle process;
  std::unique_ptr<ChildInput> input;
  Handle out_pipe;  // read ends
  Handle err_pipe;
  std::string out;
  std::string err;
};

// This program's file, found with the calls' GetModuleFileNameW.
Result<std::wstring> program_path(const Win32ChildCalls& calls);

// A job object that kills every process in it once its last handle is closed.
Result<Handle> make_kill_on_close_job();

// Starts program with args (not counting the program name) in job, without a console, its
// standard input reading input from the pipe named input_pipe (unique in this session). A child
// that cannot be put in the job is ended before it runs: a killed run would leave it holding its
// port.
Result<RunningChild> start_child(const std::wstring& program, const std::vector<std::string>& args,
                                 const std::string& input, HANDLE job,
                                 const std::wstring& input_pipe);

}  // namespace quintrel::cli

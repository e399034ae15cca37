// The Windows child runner, with the calls whose failures it must report reachable from tests:
// Wine never fails them on its own.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/child_process.h"

namespace quintrel::cli {

// The calls the runner makes to find its program and to follow its children; the system's by
// default.
struct Win32ChildCalls {
  decltype(&GetModuleFileNameW) get_module_file_name = &GetModuleFileNameW;
  decltype(&WaitForMultipleObjects) wait_for_multiple_objects = &WaitForMultipleObjects;
  decltype(&GetExitCodeProcess) get_exit_code_process = &GetExitCodeProcess;
};

std::unique_ptr<ChildRunner> make_win32_child_runner(const Win32ChildCalls& calls);

}  // namespace quintrel::cli

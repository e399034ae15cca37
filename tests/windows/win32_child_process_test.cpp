// The runner's failure paths, reached by making one call fail, which Wine never does by itself.
// The child is this test program listing its tests: it ends at once, with exit code 0.
#include "platform/windows/win32_child_process.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace quintrel::cli {
namespace {

TEST(Win32ChildRunner, AProgramPathThatCannotBeReadStartsNoChildAndSaysWhy) {
  const auto refused = [](HMODULE, LPWSTR, DWORD) -> DWORD {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  };
  const auto always_cut = [](HMODULE, LPWSTR, DWORD size) { return size; };
  for (const auto& [call, error] : {std::pair{+refused, "5"}, {+always_cut, "122"}}) {
    Win32ChildCalls calls;
    calls.get_module_file_name = call;
    const Result<ChildRunner::Start> started =
        make_win32_child_runner(calls)->start(0, {"--gtest_list_tests"}, "");
    EXPECT_FALSE(started);
    EXPECT_EQ(started.error(),
              std::string("GetModuleFileNameW failed (Windows error ") + error + ")");
  }
}

TEST(Win32ChildRunner, AnEndThatCannotBeFollowedIsAFailureWithItsErrorAtOnce) {
  Win32ChildCalls no_code;
  no_code.get_exit_code_process = [](HANDLE, LPDWORD) -> BOOL {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  };
  Win32ChildCalls no_wait;
  no_wait.wait_for_multiple_objects = [](DWORD, const HANDLE*, BOOL, DWORD) -> DWORD {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  };
  for (const auto& [calls, detail] :
       {std::pair{no_code, "GetExitCodeProcess failed (Windows error 5)"},
        {no_wait, "WaitForMultipleObjects failed (Windows error 6); its process was ended"}}) {
    const auto runner = make_win32_child_runner(calls);
    const Result<ChildRunner::Start> start = runner->start(4, {"--gtest_list_tests"}, "");
    ASSERT_TRUE(start) << start.error();
    ASSERT_EQ(*start, ChildRunner::Start::kStarted);
    const DWORD started = GetTickCount();
    std::optional<ChildEnd> end;
    while (!end && GetTickCount() - started < 20000) {
      end = runner->wait_for_end(10000);
    }
    ASSERT_TRUE(end);
    EXPECT_EQ(end->how, ChildEnd::How::kLost);
    EXPECT_EQ(end->detail, detail);
    EXPECT_LT(GetTickCount() - started, 5000u) << "a failing wait must not run to its deadline";
  }
}

}  // namespace
}  // namespace quintrel::cli

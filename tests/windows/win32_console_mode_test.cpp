// The console's output mode as quintrel-cli.exe found it, after a run that switched on control
// sequences, whether the run returned or Ctrl+C ended it.
#include "platform/windows/win32_console_mode.h"

#include <gtest/gtest.h>

namespace quintrel::cli {
namespace {

constexpr DWORD kShellMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
HANDLE signal_seen = nullptr;

// Registered before the keeper, so called after its handler; keeps the test process alive.
BOOL WINAPI note_signal(DWORD /*signal*/) {
  return SetEvent(signal_seen);
}

TEST(ConsoleModeKeeper, PutsTheModeBackAtCtrlCAndWhenTheRunReturns) {
  FreeConsole();  // a console of the test's own (Wine's needs a display)
  ASSERT_TRUE(AllocConsole());
  const HANDLE output =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_TRUE(SetConsoleMode(output, kShellMode));
  signal_seen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(SetConsoleCtrlHandler(note_signal, TRUE));
  DWORD mode = 0;
  {
    const ConsoleModeKeeper keeper(output);
    ASSERT_TRUE(SetConsoleMode(output, kShellMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    ASSERT_EQ(WaitForSingleObject(signal_seen, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetConsoleMode(output, &mode) && mode == kShellMode) << "at Ctrl+C";
    ASSERT_TRUE(SetConsoleMode(output, kShellMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
  }
  EXPECT_TRUE(GetConsoleMode(output, &mode) && mode == kShellMode) << "when the run returns";
  SetConsoleCtrlHandler(note_signal, FALSE);
}

}  // namespace
}  // namespace quintrel::cli

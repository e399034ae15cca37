// The console's output mode as quintrel-cli.exe found it, after a run that switched on control
// sequences, whether the run returned or Ctrl+C ended it.
#include "platform/windows/win32_console_mode.h"

#include <gtest/gtest.h>

namespace quintrel::cli {
namespace {

constexpr DWORD kShellMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
constexpr DWORD kSignalWaitMs = 5000;

HANDLE signal_seen = nullptr;

// Registered before the keeper, so called after its handler: keeps the test process alive.
BOOL WINAPI note_signal(DWORD /*signal*/) {
  SetEvent(signal_seen);
  return TRUE;
}

class ConsoleModeKeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeConsole();  // a console of the test's own (Wine's needs a display)
    ASSERT_TRUE(AllocConsole());
    output_ = GetStdHandle(STD_OUTPUT_HANDLE);
    ASSERT_TRUE(SetConsoleMode(output_, kShellMode));
  }

  DWORD mode() const {
    DWORD mode = 0;
    GetConsoleMode(output_, &mode);
    return mode;
  }

  HANDLE output_ = nullptr;
};

TEST_F(ConsoleModeKeeperTest, PutsTheModeBackWhenTheRunReturnsOrIsBroken) {
  {
    const ConsoleModeKeeper keeper(output_);
    ASSERT_TRUE(SetConsoleMode(output_, kShellMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
  }
  EXPECT_EQ(mode(), kShellMode);

  signal_seen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(SetConsoleCtrlHandler(note_signal, TRUE));
  {
    const ConsoleModeKeeper keeper(output_);
    ASSERT_TRUE(SetConsoleMode(output_, kShellMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    ASSERT_EQ(WaitForSingleObject(signal_seen, kSignalWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(mode(), kShellMode);  // already at the signal, before the keeper's end
  }
  SetConsoleCtrlHandler(note_signal, FALSE);
  CloseHandle(signal_seen);
}

}  // namespace
}  // namespace quintrel::cli

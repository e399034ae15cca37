// Ctrl+C during a run over many ports is counted, not the end of the program: the run stops
// starting ports and lets the running ones finish.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/stop_signals.h"

namespace quintrel::cli {
namespace {

// Registered first, so called only when no later handler took the event; keeps the test alive.
BOOL WINAPI passed_on(DWORD /*event*/) {
  return TRUE;
}

TEST(StopSignals, CtrlCIsCountedWhileHeld) {
  FreeConsole();  // a console of the test's own (Wine's needs a display)
  ASSERT_TRUE(AllocConsole());
  ASSERT_TRUE(SetConsoleCtrlHandler(passed_on, TRUE));
  {
    const std::unique_ptr<StopRequests> stops = hold_stop_signals();
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    for (int waited_ms = 0; stops->count() < 2 && waited_ms < 2000; waited_ms += 10) {
      Sleep(10);  // the handlers run on a thread the system starts
    }
    EXPECT_EQ(stops->count(), 2);
  }
  SetConsoleCtrlHandler(passed_on, FALSE);
}

}  // namespace
}  // namespace quintrel::cli

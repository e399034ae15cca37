#include <windows.h>

#include <atomic>

#include "platform/stop_signals.h"

namespace quintrel::cli {

namespace {

// The system calls a console's control handlers on a thread of its own; the run reads the count
// from its main thread.
std::atomic<int> stop_requests{0};

// Ctrl+C and Ctrl+Break are counted and handled, so the run lives on to finish its ports; closing
// the console, logging off or shutting down go on to the next handler (the system ends the
// program, and the job object its children).
BOOL WINAPI count_stop_request(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    return FALSE;
  }
  stop_requests.fetch_add(1);
  return TRUE;
}

class Win32StopSignals final : public StopRequests {
 public:
  Win32StopSignals() {
    stop_requests.store(0);
    // Handlers are called last registered first: this one comes before the console-mode
    // keeper's, which would end the program.
    installed_ = SetConsoleCtrlHandler(count_stop_request, TRUE) != FALSE;
  }
  ~Win32StopSignals() override {
    if (installed_) {
      SetConsoleCtrlHandler(count_stop_request, FALSE);
    }
  }
  Win32StopSignals(const Win32StopSignals&) = delete;
  Win32StopSignals& operator=(const Win32StopSignals&) = delete;

  int count() const override { return stop_requests.load(); }

 private:
  bool installed_ = false;
};

}  // namespace

std::unique_ptr<StopRequests> hold_stop_signals() {
  return std::make_unique<Win32StopSignals>();
}

}  // namespace quintrel::cli

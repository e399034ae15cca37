#include "platform/windows/win32_console_mode.h"

#include <atomic>

namespace quintrel::cli {

namespace {

// The console and its mode to put back. The control handler has no parameter for them, and it
// runs on a thread the system starts for the signal ("HandlerRoutine callback function").
std::atomic<HANDLE> kept_console{nullptr};
std::atomic<DWORD> kept_mode{0};

void put_mode_back() {
  const HANDLE console = kept_console.load();
  if (console != nullptr) {
    SetConsoleMode(console, kept_mode.load());
  }
}

BOOL WINAPI put_mode_back_on_signal(DWORD /*signal*/) {
  put_mode_back();
  return FALSE;  // not handled: the next handler, in the end the system's, ends the process
}

}  // namespace

ConsoleModeKeeper::ConsoleModeKeeper(HANDLE output) {
  DWORD mode = 0;
  if (output == nullptr || output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode)) {
    return;
  }
  kept_mode = mode;
  kept_console = output;
  handler_installed_ = SetConsoleCtrlHandler(put_mode_back_on_signal, TRUE) != FALSE;
}

ConsoleModeKeeper::~ConsoleModeKeeper() {
  if (handler_installed_) {
    SetConsoleCtrlHandler(put_mode_back_on_signal, FALSE);
  }
  put_mode_back();
  kept_console = nullptr;
}

}  // namespace quintrel::cli

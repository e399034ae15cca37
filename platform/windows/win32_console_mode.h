// quintrel-cli.exe switches its console's output to take control sequences for the live lines of
// a run over many ports (output_takes_cursor_control). The console is the user's and goes back to
// the shell afterwards, so the mode the program found is put back when it ends: when it returns,
// and when Ctrl+C, Ctrl+Break or closing the console ends it.
#pragma once

#include <windows.h>

namespace quintrel::cli {

// One at a time (quintrel-cli.exe's wmain holds it, before its output streams, so that their last
// text still goes out in the mode it was written for).
class ConsoleModeKeeper {
 public:
  // Remembers the mode of the console behind output; a file or a pipe has none to keep.
  explicit ConsoleModeKeeper(HANDLE output);
  // Puts that mode back.
  ~ConsoleModeKeeper();
  ConsoleModeKeeper(const ConsoleModeKeeper&) = delete;
  ConsoleModeKeeper& operator=(const ConsoleModeKeeper&) = delete;

 private:
  bool handler_installed_ = false;
};

}  // namespace quintrel::cli

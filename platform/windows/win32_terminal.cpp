// A console takes the control sequences once asked to (ENABLE_VIRTUAL_TERMINAL_PROCESSING, since
// Windows 10); an older console refuses the mode and gets plain lines.
#include <windows.h>

#include "platform/terminal.h"

namespace quintrel::cli {

bool output_takes_cursor_control() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (out == nullptr || out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode)) {
    return false;  // a file or a pipe
  }
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
}

bool input_is_terminal() {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  return in != nullptr && in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode) != FALSE;
}

}  // namespace quintrel::cli

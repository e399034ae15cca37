#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/terminal.h"

namespace quintrel::cli {

bool output_takes_cursor_control() {
  const char* term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) == 1 && term != nullptr && *term != '\0' &&
         std::string_view(term) != "dumb";
}

bool input_is_terminal() {
  return isatty(STDIN_FILENO) == 1;
}

}  // namespace quintrel::cli

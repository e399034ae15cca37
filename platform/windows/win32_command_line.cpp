#include "platform/windows/win32_command_line.h"

namespace quintrel::cli {

namespace {

void append_quoted(std::string& line, const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += arg;
    return;
  }
  // Backslashes are literal unless a quote follows them: then 2n give n and 2n+1 give n and a
  // literal quote.
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      line.append(backslashes * 2 + 1, '\\');
    } else {
      line.append(backslashes, '\\');
    }
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

}  // namespace

std::string windows_command_line(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) {
      line += ' ';
    }
    append_quoted(line, arg);
  }
  return line;
}

}  // namespace quintrel::cli

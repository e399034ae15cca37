#include "cli/batch/status_board.h"

#include <cstdio>

namespace quintrel::cli {

namespace {

constexpr char kClearLine[] = "\r\x1b[2K";

}  // namespace

StatusBoard::StatusBoard(std::ostream& out, std::vector<std::string> ports, bool live)
    : out_(out),
      ports_(std::move(ports)),
      lines_(ports_.size()),
      live_(live && ports_.size() <= kLiveBoardMaxLines) {
  for (std::size_t i = 0; i < ports_.size(); ++i) {
    lines_[i] = ports_[i] + ": waiting";
  }
}

void StatusBoard::set_running(std::size_t port, std::uint32_t elapsed_ms) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", elapsed_ms / 1000.0);
  lines_[port] = ports_[port] + ": running " + seconds;
}

void StatusBoard::show_result(std::size_t port, const std::string& line) {
  lines_[port] = line;
  if (live_) {
    refresh();
  } else {
    out_ << line << '\n' << std::flush;
  }
}

void StatusBoard::show_note(std::ostream& err, const std::string& line) {
  if (live_ && drawn_) {
    out_ << "\x1b[" << lines_.size() << 'A' << kClearLine << std::flush;
    drawn_ = false;
  }
  err << line << '\n' << std::flush;
  refresh();
}

void StatusBoard::refresh() {
  if (!live_) {
    return;
  }
  // Back to the board's first line, then every line cleared and written again.
  if (drawn_) {
    out_ << "\x1b[" << lines_.size() << 'A';
  }
  for (const std::string& line : lines_) {
    out_ << kClearLine << line << '\n';
  }
  out_ << std::flush;
  drawn_ = true;
}

}  // namespace quintrel::cli

// What a run over many ports shows while it runs. Live: one line per port, redrawn in place with
// ANSI cursor control as ports start, run and finish. Plain (output piped, or a console without
// cursor control): each port's result line once, as it finishes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quintrel::cli {

// A live board taller than this would scroll out of sight; it prints plain lines instead.
inline constexpr std::size_t kLiveBoardMaxLines = 40;

class StatusBoard {
 public:
  StatusBoard(std::ostream& out, std::vector<std::string> ports, bool live);

  // Live only: the port's job runs since elapsed_ms; shown at the next refresh.
  void set_running(std::size_t port, std::uint32_t elapsed_ms);
  // Live only: draws the board again.
  void refresh();
  // The port's result line: redrawn in place (live) or printed (plain).
  void show_result(std::size_t port, const std::string& line);
  // A line on err, above the live board (which is drawn again below it) or simply printed.
  void show_note(std::ostream& err, const std::string& line);

 private:
  std::ostream& out_;
  std::vector<std::string> ports_;
  std::vector<std::string> lines_;
  bool live_;
  bool drawn_ = false;
};

}  // namespace quintrel::cli

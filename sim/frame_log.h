// quintrel-sim's frame log: timestamped lines of what came in, piece by piece as read; what went
// out; what happened. The times count from the simulator's start, or are the monotonic clock's
// own, which other programs on the machine (quintrel-cli --precise-trace) share.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>

namespace quintrel::sim {

// The clock of the log and of the replies' deadlines: the steady clock, CLOCK_MONOTONIC on Linux,
// which quintrel-cli's precise trace reads too (link/monotonic_clock).
std::chrono::nanoseconds monotonic_now();

class FrameLog {
 public:
  FrameLog(std::ostream& out, bool monotonic)
      : out_(out), start_(monotonic ? std::chrono::nanoseconds{} : monotonic_now()) {}

  // "<direction> 02 33 03 30", stamped at the given time: when the bytes were read, or when their
  // last one was written.
  void bytes(const std::string& direction, std::span<const std::uint8_t> bytes,
             std::chrono::nanoseconds at);
  void note(const std::string& text) { write(monotonic_now(), text); }

 private:
  void write(std::chrono::nanoseconds at, const std::string& text);

  std::ostream& out_;
  std::chrono::nanoseconds start_;
};

}  // namespace quintrel::sim

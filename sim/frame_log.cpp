#include "sim/frame_log.h"

#include <cstdio>

#include "base/ascii_text.h"

namespace quintrel::sim {

std::chrono::nanoseconds monotonic_now() {
  return std::chrono::steady_clock::now().time_since_epoch();
}

void FrameLog::bytes(const std::string& direction, std::span<const std::uint8_t> bytes,
                     std::chrono::nanoseconds at) {
  write(at, bytes.empty() ? direction : direction + " " + hex_bytes(bytes));
}

void FrameLog::write(std::chrono::nanoseconds at, const std::string& text) {
  const double ms = std::chrono::duration<double, std::milli>(at - start_).count();
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "[%11.3f ms] ", ms);
  out_ << stamp << text << '\n' << std::flush;
}

}  // namespace quintrel::sim

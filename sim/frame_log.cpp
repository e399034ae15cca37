#include "sim/frame_log.h"

#include <time.h>

#include <cstdio>

namespace quintrel::sim {

std::chrono::nanoseconds monotonic_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void FrameLog::bytes(const std::string& direction, std::span<const std::uint8_t> bytes,
                     std::chrono::nanoseconds at) {
  std::string text = direction;
  char hex[4];
  for (const std::uint8_t byte : bytes) {
    std::snprintf(hex, sizeof hex, " %02X", byte);
    text += hex;
  }
  write(at, text);
}

void FrameLog::write(std::chrono::nanoseconds at, const std::string& text) {
  const double ms = std::chrono::duration<double, std::milli>(at - start_).count();
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "[%11.3f ms] ", ms);
  out_ << stamp << text << '\n' << std::flush;
}

}  // namespace quintrel::sim

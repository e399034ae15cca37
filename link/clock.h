// The millisecond clock of the reply time-outs and the pauses between frame pieces. Each link is
// given its clock: the platform's (platform/system_clock.h) or a test's virtual one.
#pragma once

#include <cstdint>

namespace quintrel {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds as an unsigned 32-bit count that wraps; only differences are meaningful.
  virtual std::uint32_t now_ms() = 0;
  virtual void sleep_ms(std::uint32_t ms) = 0;
};

}  // namespace quintrel

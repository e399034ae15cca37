// The millisecond clock of the reply time-outs and the pauses between frame pieces.
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

// The platform's clock, defined by the platform's clock file.
Clock& system_clock();

// The clock in use: the system clock unless a test installed another (nullptr restores it).
// Installing returns the clock installed before (nullptr: none, the system clock was in use).
Clock& link_clock();
Clock* install_link_clock(Clock* clock);

}  // namespace quintrel

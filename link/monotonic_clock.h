// Microseconds on a clock that every process of the machine shares, for the precise trace that
// lines up with the simulated device's log.
#pragma once

#include <cstdint>

namespace quintrel {

class MicrosecondClock {
 public:
  virtual ~MicrosecondClock() = default;
  virtual std::uint64_t now_us() = 0;
};

// The system's monotonic clock (CLOCK_MONOTONIC on Linux, as quintrel-sim's --monotonic-log).
MicrosecondClock& monotonic_clock();

}  // namespace quintrel

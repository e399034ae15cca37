#include "link/monotonic_clock.h"

#include <chrono>

namespace quintrel {

namespace {

class SteadyMicrosecondClock final : public MicrosecondClock {
 public:
  std::uint64_t now_us() override {
    const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count());
  }
};

}  // namespace

MicrosecondClock& monotonic_clock() {
  static SteadyMicrosecondClock clock;
  return clock;
}

}  // namespace quintrel

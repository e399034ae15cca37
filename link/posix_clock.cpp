#include <time.h>

#include <cerrno>

#include "link/clock.h"

namespace quintrel {

namespace {

class PosixClock final : public Clock {
 public:
  std::uint32_t now_ms() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncated to 32 bits on purpose: the time-outs are computed in wrapping arithmetic.
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  void sleep_ms(std::uint32_t ms) override {
    timespec left{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
};

}  // namespace

Clock& system_clock() {
  static PosixClock clock;
  return clock;
}

}  // namespace quintrel

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

#include "platform/system_clock.h"

namespace quintrel {

namespace {

class LinuxClock final : public Clock {
 public:
  std::uint32_t now_ms() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Truncated to 32 bits on purpose: the time-outs are computed in wrapping arithmetic.
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  // Sleeps until a deadline, so a signal that interrupts the wait neither shortens nor stretches
  // it.
  void sleep_ms(std::uint32_t ms) override {
    // Linux lets a thread's timers fire up to 50 us late by default, to batch wake-ups; each
    // frame piece waits 10 ms, and the three waits of a frame are the exchange's whole floor.
    prctl(PR_SET_TIMERSLACK, 1UL);
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    const long long ns =
        static_cast<long long>(until.tv_nsec) + static_cast<long long>(ms) * 1000000LL;
    until.tv_sec += static_cast<time_t>(ns / 1000000000LL);
    until.tv_nsec = static_cast<long>(ns % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
  }
};

}  // namespace

Clock& system_clock() {
  static LinuxClock clock;
  return clock;
}

}  // namespace quintrel

// The system clock on Linux, in real time: the pauses between frame pieces and the time-out clock.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <time.h>

#include <gtest/gtest.h>

#include "platform/system_clock.h"

namespace quintrel {
namespace {

double monotonic_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

volatile sig_atomic_t g_alarms = 0;

// Four alarms, then the timer is switched off.
void count_alarm(int) {
  g_alarms = g_alarms + 1;
  if (g_alarms == 4) {
    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
  }
}

TEST(LinuxClock, CountsMonotonicMillisecondsInThirtyTwoBits) {
  const double before = monotonic_ms();
  const std::uint32_t now = system_clock().now_ms();
  const double after = monotonic_ms();
  const auto low_bits = [](double ms) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
  };
  EXPECT_LE(now - low_bits(before), low_bits(after) - low_bits(before));
}

TEST(LinuxClock, PauseLastsItsTimeWithoutTimerSlack) {
  const double start = monotonic_ms();
  system_clock().sleep_ms(10);
  const double elapsed = monotonic_ms() - start;
  EXPECT_GE(elapsed, 10.0);
  EXPECT_LT(elapsed, 500.0);
  // The thread's timers may no longer fire late to be batched with others.
  EXPECT_EQ(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0), 1);
}

TEST(LinuxClock, SignalsDuringAPauseDoNotEndItEarly) {
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = count_alarm;  // no SA_RESTART: the wait is interrupted with EINTR
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval every_3ms{{0, 3000}, {0, 3000}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &every_3ms, nullptr), 0);

  const double start = monotonic_ms();
  system_clock().sleep_ms(20);
  const double elapsed = monotonic_ms() - start;

  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  // Alarms that fall due while the process waits for a core arrive as one.
  EXPECT_GE(g_alarms, 1);
  EXPECT_GE(elapsed, 20.0);
  EXPECT_LT(elapsed, 500.0);
}

}  // namespace
}  // namespace quintrel

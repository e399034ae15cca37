#include "platform/linux/linux_stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "platform/linux/linux_input_wait.h"

namespace quintrel {
namespace {

using std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr StopSignalChoices kHeld{
    .hang_up_stops = false, .broken_pipe_ignored = false, .held_between_waits = true};

bool blocked_now(int signal) {
  sigset_t mask;
  sigprocmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, signal) == 1;
}

TEST(LinuxStopSignals, AStopHeldBetweenWaitsEndsTheNextWaitAtOnceAndTheMaskComesBack) {
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  {
    const LinuxStopSignals stops(kHeld);
    InputWait waiting;
    waiting.watch(pipe_ends[0]);
    ASSERT_TRUE(waiting.wait(1ms, stops).ok());  // a time-out: nothing ready
    EXPECT_FALSE(waiting.ready(0));
    ASSERT_EQ(::write(pipe_ends[1], "x", 1), 1);
    ASSERT_TRUE(waiting.wait(std::nullopt, stops).ok());
    EXPECT_TRUE(waiting.ready(0));

    ::raise(SIGINT);  // while the program works: held, not yet counted
    EXPECT_EQ(stops.count(), 0);
    waiting.clear();
    const steady_clock::time_point started = steady_clock::now();
    ASSERT_TRUE(waiting.wait(5s, stops).ok());
    EXPECT_LT(steady_clock::now() - started, 1s);
    EXPECT_EQ(stops.count(), 1);
  }
  EXPECT_FALSE(blocked_now(SIGINT));
  struct sigaction now = {};
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
}

TEST(LinuxStopSignals, TheCommandLineToolCountsStopsAndTakesEveryHangUpAsOne) {
  const std::unique_ptr<cli::StopRequests> stops = cli::hold_stop_signals();
  EXPECT_FALSE(blocked_now(SIGINT));
  ::raise(SIGHUP);
  ::raise(SIGHUP);
  ::raise(SIGPIPE);  // ignored: the program goes on
  EXPECT_EQ(stops->count(), 1);
  ::raise(SIGINT);  // the same request again
  EXPECT_EQ(stops->count(), 1);
  ::raise(SIGTERM);
  EXPECT_EQ(stops->count(), 2);
}

}  // namespace
}  // namespace quintrel

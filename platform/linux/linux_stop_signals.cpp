// SIGINT and SIGTERM counted by a handler, SIGHUP counted once, SIGPIPE ignored, as the program
// chose; the old dispositions (and signal mask) restored when the guard goes.
#include "platform/linux/linux_stop_signals.h"

#include <csignal>

namespace quintrel {

namespace {

// A handler can reach nothing but such variables.
volatile std::sig_atomic_t g_stop_requests = 0;
volatile std::sig_atomic_t g_hung_up = 0;

extern "C" void count_stop_request(int) {
  g_stop_requests = g_stop_requests + 1;
}

// A dropped session sends SIGHUP more than once (the shell passes its own on to its jobs, and the
// kernel sends one to the foreground group when the shell ends), and nobody is left to ask for the
// running devices to be stopped at once: every hang-up together is one request.
extern "C" void note_hang_up(int) {
  g_hung_up = 1;
}

struct sigaction handled_by(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  return action;
}

}  // namespace

LinuxStopSignals::LinuxStopSignals(StopSignalChoices choices) : choices_(choices) {
  g_stop_requests = 0;
  g_hung_up = 0;
  const struct sigaction counted = handled_by(count_stop_request);
  sigaction(SIGINT, &counted, &old_interrupt_);
  sigaction(SIGTERM, &counted, &old_terminate_);
  if (choices_.broken_pipe_ignored) {
    const struct sigaction ignored = handled_by(SIG_IGN);
    sigaction(SIGPIPE, &ignored, &old_pipe_);
  }
  // A run started under nohup (SIGHUP ignored) was meant to outlive its session: it still is.
  if (choices_.hang_up_stops) {
    sigaction(SIGHUP, nullptr, &old_hang_up_);
    if (old_hang_up_.sa_handler != SIG_IGN) {
      const struct sigaction noted = handled_by(note_hang_up);
      sigaction(SIGHUP, &noted, nullptr);
    }
  }
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  // Without a set to block, sigprocmask only reads the mask.
  sigprocmask(SIG_BLOCK, choices_.held_between_waits ? &stops : nullptr, &mask_before_);
  waiting_ = mask_before_;
  sigdelset(&waiting_, SIGINT);
  sigdelset(&waiting_, SIGTERM);
}

LinuxStopSignals::~LinuxStopSignals() {
  // The mask first: a stop still pending is taken by the handler, not by the old disposition.
  if (choices_.held_between_waits) {
    sigprocmask(SIG_SETMASK, &mask_before_, nullptr);
  }
  sigaction(SIGINT, &old_interrupt_, nullptr);
  sigaction(SIGTERM, &old_terminate_, nullptr);
  if (choices_.broken_pipe_ignored) {
    sigaction(SIGPIPE, &old_pipe_, nullptr);
  }
  if (choices_.hang_up_stops) {
    sigaction(SIGHUP, &old_hang_up_, nullptr);
  }
}

int LinuxStopSignals::count() const {
  return g_stop_requests > 0 ? g_stop_requests : g_hung_up;
}

namespace cli {

std::unique_ptr<StopRequests> hold_stop_signals() {
  return std::make_unique<LinuxStopSignals>(StopSignalChoices{});
}

}  // namespace cli

}  // namespace quintrel

// SIGINT and SIGTERM counted by a handler, SIGHUP counted once, SIGPIPE ignored, while a run over
// many ports goes on. The handlers install without SA_RESTART, so a wait in poll returns at once.
#include <signal.h>

#include <csignal>

#include "platform/stop_signals.h"

namespace quintrel::cli {

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

class LinuxStopSignals final : public StopRequests {
 public:
  LinuxStopSignals() {
    g_stop_requests = 0;
    g_hung_up = 0;
    const struct sigaction counted = handled_by(count_stop_request);
    const struct sigaction ignored = handled_by(SIG_IGN);
    sigaction(SIGINT, &counted, &old_interrupt_);
    sigaction(SIGTERM, &counted, &old_terminate_);
    sigaction(SIGPIPE, &ignored, &old_pipe_);
    // A run started under nohup (SIGHUP ignored) was meant to outlive its session: it still is.
    sigaction(SIGHUP, nullptr, &old_hang_up_);
    if (old_hang_up_.sa_handler != SIG_IGN) {
      const struct sigaction noted = handled_by(note_hang_up);
      sigaction(SIGHUP, &noted, nullptr);
    }
  }
  ~LinuxStopSignals() override {
    sigaction(SIGINT, &old_interrupt_, nullptr);
    sigaction(SIGTERM, &old_terminate_, nullptr);
    sigaction(SIGPIPE, &old_pipe_, nullptr);
    sigaction(SIGHUP, &old_hang_up_, nullptr);
  }
  LinuxStopSignals(const LinuxStopSignals&) = delete;
  LinuxStopSignals& operator=(const LinuxStopSignals&) = delete;

  // A hang-up after a Ctrl+C is the same request again, not a second one that stops the
  // running devices.
  int count() const override { return g_stop_requests > 0 ? g_stop_requests : g_hung_up; }

 private:
  struct sigaction old_interrupt_ = {};
  struct sigaction old_terminate_ = {};
  struct sigaction old_pipe_ = {};
  struct sigaction old_hang_up_ = {};
};

}  // namespace

std::unique_ptr<StopRequests> hold_stop_signals() {
  return std::make_unique<LinuxStopSignals>();
}

}  // namespace quintrel::cli

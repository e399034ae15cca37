// SIGINT and SIGTERM counted by a handler, SIGPIPE ignored, while a run over many ports goes on.
// The handler installs without SA_RESTART, so a wait in poll returns at once.
#include <signal.h>

#include <csignal>

#include "platform/stop_signals.h"

namespace quintrel::cli {

namespace {

// A handler can reach nothing but such a variable.
volatile std::sig_atomic_t g_stop_requests = 0;

extern "C" void count_stop_request(int) {
  g_stop_requests = g_stop_requests + 1;
}

class LinuxStopSignals final : public StopRequests {
 public:
  LinuxStopSignals() {
    g_stop_requests = 0;
    struct sigaction counted = {};
    counted.sa_handler = count_stop_request;
    sigemptyset(&counted.sa_mask);
    struct sigaction ignored = {};
    ignored.sa_handler = SIG_IGN;
    sigemptyset(&ignored.sa_mask);
    sigaction(SIGINT, &counted, &old_interrupt_);
    sigaction(SIGTERM, &counted, &old_terminate_);
    sigaction(SIGPIPE, &ignored, &old_pipe_);
  }
  ~LinuxStopSignals() override {
    sigaction(SIGINT, &old_interrupt_, nullptr);
    sigaction(SIGTERM, &old_terminate_, nullptr);
    sigaction(SIGPIPE, &old_pipe_, nullptr);
  }
  LinuxStopSignals(const LinuxStopSignals&) = delete;
  LinuxStopSignals& operator=(const LinuxStopSignals&) = delete;

  int count() const override { return g_stop_requests; }

 private:
  struct sigaction old_interrupt_ = {};
  struct sigaction old_terminate_ = {};
  struct sigaction old_pipe_ = {};
};

}  // namespace

std::unique_ptr<StopRequests> hold_stop_signals() {
  return std::make_unique<LinuxStopSignals>();
}

}  // namespace quintrel::cli

// The one handling of the stop signals on Linux: quintrel-cli's (hold_stop_signals) and
// quintrel-sim's, which differ only in the choices below.
#pragma once

#include <signal.h>

#include "platform/stop_signals.h"

namespace quintrel {

// What a program does beside counting SIGINT and SIGTERM (handlers without SA_RESTART, so a wait
// in poll returns at once).
struct StopSignalChoices {
  // A dropped session's SIGHUP, however often it comes, is one stop request, unless the program
  // was started with SIGHUP ignored (nohup). Off: SIGHUP keeps its default and ends the program.
  bool hang_up_stops = true;
  // SIGPIPE ignored, so that a write to a closed pipe fails instead of ending the program.
  bool broken_pipe_ignored = true;
  // SIGINT and SIGTERM blocked except inside a wait that takes while_waiting() as its signal mask
  // (ppoll): a stop that comes while the program works ends its next wait, never lost between a
  // look at count() and the wait.
  bool held_between_waits = false;
};

class LinuxStopSignals final : public cli::StopRequests {
 public:
  explicit LinuxStopSignals(StopSignalChoices choices);
  ~LinuxStopSignals() override;
  LinuxStopSignals(const LinuxStopSignals&) = delete;
  LinuxStopSignals& operator=(const LinuxStopSignals&) = delete;

  // A hang-up after a Ctrl+C is the same request again, not a second one.
  int count() const override;
  // The signal mask for a wait that a stop request must end: the mask the guard found, with
  // SIGINT and SIGTERM let through.
  const sigset_t& while_waiting() const { return waiting_; }

 private:
  StopSignalChoices choices_;
  struct sigaction old_interrupt_ = {};
  struct sigaction old_terminate_ = {};
  struct sigaction old_pipe_ = {};
  struct sigaction old_hang_up_ = {};
  sigset_t mask_before_ = {};
  sigset_t waiting_ = {};
};

}  // namespace quintrel

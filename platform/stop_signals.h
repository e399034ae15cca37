// What a run over many ports (and a save on one port) does with the signals that would otherwise
// end it halfway, with devices partly written: Ctrl+C (SIGINT), SIGTERM and a dropped session's
// SIGHUP are counted instead, so the run can stop starting ports, let the running ones finish and
// say where each stands; and a closed standard output (a pipe into head that has exited) makes a
// write fail instead of ending the program (SIGPIPE). On Windows Ctrl+C and Ctrl+Break are counted
// (a console control handler); closing the console still ends the run, and the job object its
// children.
#pragma once

#include <memory>

namespace quintrel::cli {

class StopRequests {
 public:
  virtual ~StopRequests() = default;
  // How many stop requests (SIGINT, SIGTERM; SIGHUP, however often it came, as one) came since the
  // guard was made.
  virtual int count() const = 0;
};

// Holds those signals until the returned guard is destroyed, which restores what was there.
// One guard at a time.
std::unique_ptr<StopRequests> hold_stop_signals();

}  // namespace quintrel::cli

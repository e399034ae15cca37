#include "platform/stop_signals.h"

namespace quintrel::cli {

namespace {

// A console's Ctrl+C still ends the run, and the job object its children; no request is counted.
class Win32StopSignals final : public StopRequests {
 public:
  int count() const override { return 0; }
};

}  // namespace

std::unique_ptr<StopRequests> hold_stop_signals() {
  return std::make_unique<Win32StopSignals>();
}

}  // namespace quintrel::cli

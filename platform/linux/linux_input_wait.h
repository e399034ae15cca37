// quintrel-sim's one wait (ppoll): for bytes on any of its devices' descriptors, for the time of
// the next reply piece, or for a stop signal, whichever comes first.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "base/result.h"
#include "platform/linux/linux_stop_signals.h"

namespace quintrel {

class InputWait {
 public:
  // Forgets the descriptors of the last wait.
  void clear() { polled_.clear(); }
  // Adds a descriptor to wait for; ready() names it by the order it was added in.
  void watch(int fd) { polled_.push_back({fd, POLLIN, 0}); }
  // Waits until a watched descriptor has bytes (or hung up, or failed), timeout has passed
  // (nullopt: no time limit) or a stop signal comes (stops.count() says so; the signals are let
  // through during the wait only, with stops.while_waiting()). A Failure with the system's reason
  // when the wait itself fails.
  Result<void> wait(std::optional<std::chrono::nanoseconds> timeout, const LinuxStopSignals& stops);
  // Whether the at-th watched descriptor is ready after the wait; none is after a time-out or a
  // signal.
  bool ready(std::size_t at) const { return polled_[at].revents != 0; }

 private:
  std::vector<pollfd> polled_;
};

}  // namespace quintrel

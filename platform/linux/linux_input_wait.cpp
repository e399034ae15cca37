#include "platform/linux/linux_input_wait.h"

#include <time.h>

#include <cerrno>
#include <cstring>

namespace quintrel {

Result<void> InputWait::wait(std::optional<std::chrono::nanoseconds> timeout,
                             const LinuxStopSignals& stops) {
  timespec limit{};
  if (timeout) {
    limit.tv_sec = static_cast<time_t>(timeout->count() / 1000000000);
    limit.tv_nsec = static_cast<long>(timeout->count() % 1000000000);
  }
  const int ready =
      ppoll(polled_.data(), polled_.size(), timeout ? &limit : nullptr, &stops.while_waiting());
  if (ready > 0) {
    return {};
  }
  const int cause = errno;
  for (pollfd& polled : polled_) {
    polled.revents = 0;
  }
  if (ready < 0 && cause != EINTR) {
    return Failure{std::strerror(cause)};
  }
  return {};
}

}  // namespace quintrel

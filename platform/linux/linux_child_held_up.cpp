#include "platform/linux/linux_child_held_up.h"

#include <sys/syscall.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

namespace quintrel::cli {

namespace {

// The calls a port's job waits in while all is well: its reads wait in poll, its pauses sleep.
constexpr long kJobWaits[] = {
    SYS_ppoll,
    SYS_clock_nanosleep,
    SYS_nanosleep,
#ifdef SYS_poll
    SYS_poll,
#endif
};

}  // namespace

std::string held_up_in(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
  long call = -1;
  if (!(file >> call) || call < 0 || std::ranges::find(kJobWaits, call) != std::end(kJobWaits)) {
    return {};
  }
  const std::pair<long, const char*> names[] = {{SYS_openat, "open"}, {SYS_close, "close"},
                                                {SYS_write, "write"}, {SYS_read, "read"},
                                                {SYS_ioctl, "ioctl"}, {SYS_flock, "flock"}};
  std::string name = "system call " + std::to_string(call);
  for (const auto& [number, known] : names) {
    if (call == number) {
      name = known;
    }
  }
  return "the port's driver did not return from " + name + ": check the adapter and its driver";
}

}  // namespace quintrel::cli

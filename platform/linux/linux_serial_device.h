// The serial port on Linux: a tty opened exclusively and switched to a raw 38400 8N1 line.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "link/serial_device.h"

namespace quintrel {

// How long an idle one-byte read waits for input, like the 1 ms + 1 ms read time-outs on Windows.
inline constexpr int kReadWaitMs = 2;

class LinuxSerialBackend final : public SerialBackend {
 public:
  // proc_root is "/proc" on a running system; tests pass a fake tree.
  explicit LinuxSerialBackend(std::filesystem::path proc_root = "/proc")
      : proc_root_(std::move(proc_root)) {}

  // Opens the port's device (see linux_device_path) non-blocking, so that a UART whose
  // carrier-detect is honoured cannot hang the open, and takes it exclusively: a non-blocking
  // flock (which also holds against root) and TIOCEXCL (which also holds against programs that
  // do not flock).
  std::unique_ptr<SerialDevice> open_exclusive(std::u16string_view port_name) override;
  // "<device path>: <reason>" for the last failed open (diagnose_open_failure); empty after a
  // successful one.
  std::string last_open_failure() override { return last_failure_; }
  // Other programs seen holding the port of the last successful open (other_holders_warning).
  std::string last_open_warning() override;
  std::vector<std::string> other_users_warnings(
      const std::vector<std::u16string>& port_names) override;
  OpenFailure last_open_failure_kind() override { return last_failure_kind_; }

 private:
  std::filesystem::path proc_root_;
  std::string last_failure_;
  std::string opened_path_;  // empty after a failed open
  OpenFailure last_failure_kind_ = OpenFailure::kNone;
};

// The reason for an errno from opening or locking a port, in words a user can act on.
std::string describe_open_error(int error);
OpenFailure open_failure_kind(int error);

}  // namespace quintrel

// The serial port on Linux: a tty opened exclusively and switched to a raw 38400 8N1 line.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "link/serial_port.h"
#include "ports/port_list.h"

namespace quintrel {

// How long an idle one-byte read waits for input, like the 1 ms + 1 ms read time-outs on Windows.
inline constexpr int kReadWaitMs = 2;

class LinuxSerialBackend final : public SerialBackend {
 public:
  // proc_root is "/proc" on a running system; tests pass a fake tree.
  // scanner names the ports present when a port is missing (may be null).
  explicit LinuxSerialBackend(PortScanner* scanner = nullptr,
                              std::filesystem::path proc_root = "/proc")
      : scanner_(scanner), proc_root_(std::move(proc_root)) {}

  // Opens the port's device (see linux_port_path) non-blocking, so that a UART whose
  // carrier-detect is honoured cannot hang the open, and takes it exclusively: a non-blocking
  // flock (which also holds against root) and TIOCEXCL (which also holds against programs that
  // do not flock).
  // A failure's reason is "<device path>: <reason>" (diagnose_open_failure).
  OpenedPort open_exclusive(std::u16string_view port_name) override;
  // Other programs seen holding the port (other_holders_warning): one walk through /proc.
  std::string other_holders(std::u16string_view port_name) override;

 private:
  PortScanner* scanner_;
  std::filesystem::path proc_root_;
};

// The reason for an errno from opening or locking a port, in words a user can act on.
std::string describe_open_error(int error);
OpenFailure open_failure_kind(int error);

}  // namespace quintrel

// The Windows serial port: "\\.\" + port name opened exclusively and synchronously, the line
// set through the DCB with no handshake, 1 ms read time-outs, DTR and RTS raised.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/serial_device.h"

namespace quintrel {

class Win32SerialBackend final : public SerialBackend {
 public:
  std::unique_ptr<SerialDevice> open_exclusive(std::u16string_view port_name) override;
  // Why the last open failed: at CreateFileW (diagnose_open_failure) or, for a port that opened,
  // at reading or setting its line; empty when it did not fail.
  std::string last_open_failure() override { return *last_failure_; }
  OpenFailure last_open_failure_kind() override { return last_failure_kind_; }

 private:
  // Shared with the devices, which report their line settings' failures into it.
  std::shared_ptr<std::string> last_failure_ = std::make_shared<std::string>();
  OpenFailure last_failure_kind_ = OpenFailure::kNone;
};

// "\\.\" followed by the port name, as given (neither trimmed nor checked).
std::u16string win32_device_path(std::u16string_view port_name);

// Why CreateFileW (or a later call on the port) failed, in words a user can act on, from its
// error code.
std::string describe_open_error(unsigned long error);
OpenFailure open_failure_kind(unsigned long error);

// Why opening port_name failed with error: describe_open_error's words, and for a port that is
// not found, the problem Windows holds for a device of that name (describe_port_problem), or else
// the ports present.
std::string diagnose_open_failure(std::u16string_view port_name, unsigned long error);

// What to do about a port device with this problem code (as port_problem_code gives it).
std::string describe_port_problem(std::uint32_t problem);

}  // namespace quintrel

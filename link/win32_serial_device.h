// The Windows serial port: "\\.\" + port name opened exclusively and synchronously, the line
// set through the DCB, 1 ms time-outs, DTR and RTS raised.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "link/serial_device.h"

namespace quintrel {

class Win32SerialBackend final : public SerialBackend {
 public:
  std::unique_ptr<SerialDevice> open_exclusive(std::u16string_view port_name) override;
  std::string last_open_failure() override { return last_failure_; }
  OpenFailure last_open_failure_kind() override { return last_failure_kind_; }

 private:
  std::string last_failure_;
  OpenFailure last_failure_kind_ = OpenFailure::kNone;
};

// "\\.\" followed by the port name, as given (neither trimmed nor checked).
std::u16string win32_device_path(std::u16string_view port_name);

// Why CreateFileW failed, in words a user can act on, from its error code.
std::string describe_open_error(unsigned long error);
OpenFailure open_failure_kind(unsigned long error);

}  // namespace quintrel

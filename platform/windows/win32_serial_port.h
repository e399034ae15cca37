// The Windows serial port: "\\.\" + port name opened exclusively and synchronously, the line
// set through the DCB with no handshake, 1 ms read time-outs, DTR and RTS raised.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/serial_port.h"
#include "ports/port_list.h"

namespace quintrel {

class Win32SerialBackend final : public SerialBackend {
 public:
  // scanner names the ports present when a port is not found (may be null).
  explicit Win32SerialBackend(PortScanner* scanner = nullptr) : scanner_(scanner) {}

  // A failure's reason comes from diagnose_open_failure.
  OpenedPort open_exclusive(std::u16string_view port_name) override;

 private:
  PortScanner* scanner_;
};

// "\\.\" followed by the port name, as given (neither trimmed nor checked).
std::u16string win32_port_path(std::u16string_view port_name);

// Whether ReadFile or WriteFile failing with error on an open port means the port went away
// (adapter unplugged or its driver stopped it), so that nothing more will come.
bool is_port_gone_error(unsigned long error);

// Why CreateFileW (or a later call on the port) failed, in words a user can act on, from its
// error code.
std::string describe_open_error(unsigned long error);
OpenFailure open_failure_kind(unsigned long error);

// Why opening port_name failed with error: describe_open_error's words, and for a port that is
// not found, the problem Windows holds for a device of that name (describe_port_problem), or else
// the ports the scanner finds (none named without a scanner).
std::string diagnose_open_failure(std::u16string_view port_name, unsigned long error,
                                  PortScanner* scanner);

// What to do about a port device with this problem code (as port_problem_code gives it).
std::string describe_port_problem(std::uint32_t problem);

}  // namespace quintrel

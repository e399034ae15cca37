// The platform's open-and-configure step: each platform (Win32, POSIX) supplies a SerialBackend
// that opens a port exclusively and a SerialDevice that configures the line in the order the
// connection logic asks for.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/byte_port.h"

namespace quintrel {

class SerialDevice : public BytePort {
 public:
  // Reads the port's current line settings; false when the port refuses.
  virtual bool read_line_settings() = 0;
  // Writes 38400 bit/s, 8 data bits, no parity, one stop bit, every byte passed unchanged;
  // false when the port refuses.
  virtual bool write_line_settings() = 0;
  // Sets the short time-outs that make an idle one-byte read return in about 2 ms. False when
  // the port refused them and an idle one-byte read could then wait longer than 100 ms.
  virtual bool set_short_timeouts() = 0;
  virtual void raise_dtr() = 0;
  virtual void raise_rts() = 0;
};

// What stopped the last open_exclusive: the port is not there, another program holds it, or
// anything else (permissions, a device that refuses).
enum class OpenFailure { kNone, kMissing, kBusy, kOther };

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // Opens the named port (the text before any "(" of a port box entry) exclusively for
  // synchronous reading and writing; null when it cannot.
  virtual std::unique_ptr<SerialDevice> open_exclusive(std::u16string_view port_name) = 0;
  // Why the last open_exclusive failed, in words a user can act on; empty when unknown.
  virtual std::string last_open_failure() { return {}; }
  // After a successful open_exclusive: the other programs seen using the same port, which can
  // take replies meant for this one, in words; empty when none is seen.
  virtual std::string last_open_warning() { return {}; }
  // Before ports are opened by other processes of this program: the same words for each port
  // named (in their order), found in one look; empty where none is seen.
  virtual std::vector<std::string> other_users_warnings(
      const std::vector<std::u16string>& port_names) {
    return std::vector<std::string>(port_names.size());
  }
  // The kind of that failure; kOther where the backend cannot tell.
  virtual OpenFailure last_open_failure_kind() { return OpenFailure::kOther; }
};

// The backend open_port uses; none until the program's entry installs its platform's backend.
// Installing returns the backend installed before.
SerialBackend* serial_backend();
SerialBackend* install_serial_backend(SerialBackend* backend);

}  // namespace quintrel

// The platform's open-and-configure step: each platform supplies a SerialBackend that opens a port
// exclusively and a SerialPort that configures the line in the order the link asks for.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "link/byte_port.h"
#include "link/link_outcome.h"

namespace quintrel {

class SerialPort : public BytePort {
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

// What an open gives: the device, or why there is none.
struct OpenedPort {
  std::unique_ptr<SerialPort> port;  // null when the open failed
  OpenFailure failure = OpenFailure::kNone;
  std::string reason;  // why it failed, in words a user can act on; empty when unknown
};

class SerialBackend {
 public:
  virtual ~SerialBackend() = default;
  // Opens the named port exclusively for synchronous reading and writing.
  virtual OpenedPort open_exclusive(std::u16string_view port_name) = 0;
  // The other programs seen holding the port, which can take replies meant for this one, in
  // words; empty when none is seen. It looks only when asked, since looking can be costly: a
  // caller asks to explain a failure.
  virtual std::string other_holders(std::u16string_view) { return {}; }
};

}  // namespace quintrel

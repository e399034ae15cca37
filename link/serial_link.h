// One serial connection: a port's device, opened through a backend, and the clock its exchanges
// are timed by. Each caller holds its own link (the window one, the command-line tool one per
// port); nothing here is shared between links.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "link/clock.h"
#include "link/link_outcome.h"
#include "link/serial_port.h"

namespace quintrel {

class SerialLink {
 public:
  // Both must outlive the link. The link starts closed.
  SerialLink(SerialBackend& backend, Clock& clock) : backend_(backend), clock_(clock) {}
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // Opens the named port at 38400 8N1 with short time-outs, and raises DTR and RTS. Opening an
  // open link closes it first. A failure leaves the link closed and says which step failed (for
  // the open itself also the system's kind and reason).
  LinkOutcome open(std::u16string_view port_name);
  void close() { port_.reset(); }
  bool is_open() const { return port_ != nullptr; }

  // The open port, or null while closed.
  SerialPort* port() { return port_.get(); }
  Clock& clock() { return clock_; }
  SerialBackend& backend() { return backend_; }
  // The name of the port last opened (also after it was closed again).
  const std::u16string& port_name() const { return port_name_; }

 private:
  LinkOutcome fail(LinkStatus status);

  SerialBackend& backend_;
  Clock& clock_;
  std::unique_ptr<SerialPort> port_;
  std::u16string port_name_;
};

}  // namespace quintrel

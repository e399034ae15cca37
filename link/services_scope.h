// The process-wide records a program or a test installs, and one object that installs them and
// puts back what was there before.
#pragma once

#include "base/show_message.h"
#include "link/clock.h"
#include "ports/port_list.h"
#include "link/serial_device.h"

namespace quintrel {

// What open_port opens with, what the port box lists, the clock of the time-outs and pauses, and
// what shows the messages. Each must outlive the scope that installs it.
struct Services {
  SerialBackend* serial_backend = nullptr;
  PortScanner* port_scanner = nullptr;
  Clock* link_clock = nullptr;
  MessagePresenter* message_presenter = nullptr;
};

// Installs the services given (a null one leaves what is installed, so scopes nest) for its life.
// At its end it closes the serial link, whose device came from the backend, and restores every
// record as it found it.
class ServicesScope {
 public:
  explicit ServicesScope(const Services& services);
  ~ServicesScope();
  ServicesScope(const ServicesScope&) = delete;
  ServicesScope& operator=(const ServicesScope&) = delete;

 private:
  Services previous_;
};

}  // namespace quintrel

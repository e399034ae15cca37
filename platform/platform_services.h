// The services of the platform a program runs on: its serial backend, its port scanner (on Linux
// with the ports that programs of the project advertise) and its clock. On Windows this object
// confines DLL loading to System32, so each program entry makes it first, before any window or
// port; an open port holds the 1 ms timer resolution the clock's pauses need.
#pragma once

#include <memory>

#include "link/clock.h"
#include "link/serial_port.h"
#include "ports/port_list.h"

namespace quintrel {

class PlatformParts;

class PlatformServices {
 public:
  PlatformServices();
  ~PlatformServices();
  PlatformServices(const PlatformServices&) = delete;
  PlatformServices& operator=(const PlatformServices&) = delete;

  SerialBackend& serial_backend();
  PortScanner& port_scanner();
  Clock& clock();

 private:
  std::unique_ptr<PlatformParts> parts_;  // the platform's own (platform_parts.h)
};

}  // namespace quintrel

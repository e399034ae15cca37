// The services of the platform a program runs on: its serial backend and its port scanner (on
// Linux with the ports that programs of the project advertise). Its clock is system_clock(), in
// use while no other is installed; on Windows this object also holds the 1 ms timer resolution
// that clock needs, and confines DLL loading to System32, so each program entry makes it first,
// before any window or port.
#pragma once

#include <memory>

#include "link/services_scope.h"

namespace quintrel {

class PlatformServices {
 public:
  PlatformServices();
  ~PlatformServices();
  PlatformServices(const PlatformServices&) = delete;
  PlatformServices& operator=(const PlatformServices&) = delete;

  // The platform's backend and scanner, for a ServicesScope; the program adds the presenter of
  // its messages.
  Services services();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace quintrel

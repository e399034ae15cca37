// What a platform's services are made of: each platform's file (linux_platform_services.cpp,
// win32_platform_services.cpp) owns its scanner and backend here, wired its own way;
// platform_services.cpp hands them out the same way on every platform.
#pragma once

#include <memory>

#include "link/serial_port.h"
#include "ports/port_list.h"

namespace quintrel {

class PlatformParts {
 public:
  virtual ~PlatformParts() = default;
  virtual SerialBackend& serial_backend() = 0;
  virtual PortScanner& port_scanner() = 0;
};

// The running platform's parts, made once per PlatformServices before anything else of it.
std::unique_ptr<PlatformParts> make_platform_parts();

}  // namespace quintrel

#include "platform/platform_services.h"

#include <windows.h>

#include "platform/system_clock.h"
#include "platform/windows/win32_port_scanner.h"
#include "platform/windows/win32_serial_port.h"

namespace quintrel {

struct PlatformServices::Parts {
  Win32PortScanner scanner;
  Win32SerialBackend serial{&scanner};
};

PlatformServices::PlatformServices() {
  // Any DLL loaded from now on, by the program or by Windows on its behalf, comes from System32
  // only, never from the program's folder (a downloads folder may hold a planted copy).
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  parts_ = std::make_unique<Parts>();
}

PlatformServices::~PlatformServices() = default;

SerialBackend& PlatformServices::serial_backend() {
  return parts_->serial;
}

PortScanner& PlatformServices::port_scanner() {
  return parts_->scanner;
}

Clock& PlatformServices::clock() {
  return system_clock();
}

}  // namespace quintrel

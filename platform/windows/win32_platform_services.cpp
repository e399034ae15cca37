#include "platform/platform_services.h"

#include <windows.h>

#include "platform/windows/win32_clock.h"
#include "platform/windows/win32_port_scanner.h"
#include "platform/windows/win32_serial_device.h"

namespace quintrel {

struct PlatformServices::Parts {
  FineTimerResolution fine_timer;
  Win32SerialBackend serial;
  Win32PortScanner scanner;
};

PlatformServices::PlatformServices() {
  // Any DLL loaded from now on, by the program or by Windows on its behalf, comes from System32
  // only, never from the program's folder (a downloads folder may hold a planted copy).
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  parts_ = std::make_unique<Parts>();
}

PlatformServices::~PlatformServices() = default;

Services PlatformServices::services() {
  return {&parts_->serial, &parts_->scanner, nullptr, nullptr};
}

}  // namespace quintrel

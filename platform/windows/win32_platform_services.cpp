// Windows's parts of the platform services, made only once DLL loading is confined to System32.
#include <windows.h>

#include "platform/platform_parts.h"
#include "platform/windows/win32_port_scanner.h"
#include "platform/windows/win32_serial_port.h"

namespace quintrel {

namespace {

class Win32Parts final : public PlatformParts {
 public:
  SerialBackend& serial_backend() override { return serial_; }
  PortScanner& port_scanner() override { return scanner_; }

 private:
  Win32PortScanner scanner_;
  Win32SerialBackend serial_{&scanner_};
};

}  // namespace

std::unique_ptr<PlatformParts> make_platform_parts() {
  // Any DLL loaded from now on, by the program or by Windows on its behalf, comes from System32
  // only, never from the program's folder (a downloads folder may hold a planted copy).
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return std::make_unique<Win32Parts>();
}

}  // namespace quintrel

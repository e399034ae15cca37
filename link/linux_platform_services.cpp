#include "link/platform_services.h"

#include "link/linux_port_scanner.h"
#include "link/posix_advertised_ports.h"
#include "link/posix_serial_device.h"

namespace quintrel {

struct PlatformServices::Parts {
  PosixSerialBackend serial;
  LinuxPortScanner kernel_ports;
  AdvertisedPortScanner scanner{&kernel_ports};
};

PlatformServices::PlatformServices() : parts_(std::make_unique<Parts>()) {}

PlatformServices::~PlatformServices() = default;

Services PlatformServices::services() {
  return {&parts_->serial, &parts_->scanner, nullptr, nullptr};
}

}  // namespace quintrel

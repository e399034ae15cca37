#include "platform/platform_services.h"

#include "platform/linux/linux_port_scanner.h"
#include "platform/linux/linux_advertised_ports.h"
#include "platform/linux/linux_serial_device.h"

namespace quintrel {

struct PlatformServices::Parts {
  LinuxSerialBackend serial;
  LinuxPortScanner kernel_ports;
  AdvertisedPortScanner scanner{&kernel_ports};
};

PlatformServices::PlatformServices() : parts_(std::make_unique<Parts>()) {}

PlatformServices::~PlatformServices() = default;

Services PlatformServices::services() {
  return {&parts_->serial, &parts_->scanner, nullptr, nullptr};
}

}  // namespace quintrel

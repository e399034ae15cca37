#include "platform/platform_services.h"

#include <iostream>

#include "platform/linux/linux_advertised_ports.h"
#include "platform/linux/linux_port_scanner.h"
#include "platform/linux/linux_serial_port.h"
#include "platform/system_clock.h"

namespace quintrel {

struct PlatformServices::Parts {
  LinuxPortScanner kernel_ports;
  AdvertisedPortScanner scanner{&kernel_ports, advertised_ports_directory(), &std::cerr};
  LinuxSerialBackend serial{&scanner};
};

PlatformServices::PlatformServices() : parts_(std::make_unique<Parts>()) {}

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

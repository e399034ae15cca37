// Linux's parts of the platform services: the kernel's ports together with the ports that
// programs of the project advertise.
#include <iostream>

#include "platform/linux/linux_advertised_ports.h"
#include "platform/linux/linux_port_scanner.h"
#include "platform/linux/linux_serial_port.h"
#include "platform/platform_parts.h"

namespace quintrel {

namespace {

class LinuxParts final : public PlatformParts {
 public:
  SerialBackend& serial_backend() override { return serial_; }
  PortScanner& port_scanner() override { return scanner_; }

 private:
  LinuxPortScanner kernel_ports_;
  AdvertisedPortScanner scanner_{&kernel_ports_, advertised_ports_directory(), &std::cerr};
  LinuxSerialBackend serial_{&scanner_};
};

}  // namespace

std::unique_ptr<PlatformParts> make_platform_parts() {
  return std::make_unique<LinuxParts>();
}

}  // namespace quintrel

#include "platform/platform_services.h"

#include "platform/platform_parts.h"
#include "platform/system_clock.h"

namespace quintrel {

PlatformServices::PlatformServices() : parts_(make_platform_parts()) {}

PlatformServices::~PlatformServices() = default;

SerialBackend& PlatformServices::serial_backend() {
  return parts_->serial_backend();
}

PortScanner& PlatformServices::port_scanner() {
  return parts_->port_scanner();
}

Clock& PlatformServices::clock() {
  return system_clock();
}

}  // namespace quintrel

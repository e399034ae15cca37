#include "link/services_scope.h"

#include "link/serial_link.h"

namespace quintrel {

namespace {

// Installs the given record, or keeps the one installed when none is given; returns the one that
// was installed before.
template <typename Record>
Record* install_or_keep(Record* (*install)(Record*), Record* given) {
  Record* const previous = install(nullptr);
  install(given != nullptr ? given : previous);
  return previous;
}

}  // namespace

ServicesScope::ServicesScope(const Services& services)
    : previous_{install_or_keep(install_serial_backend, services.serial_backend),
                install_or_keep(install_port_scanner, services.port_scanner),
                install_or_keep(install_link_clock, services.link_clock),
                install_or_keep(install_message_presenter, services.message_presenter)} {}

ServicesScope::~ServicesScope() {
  serial_link().device.reset();
  install_message_presenter(previous_.message_presenter);
  install_link_clock(previous_.link_clock);
  install_port_scanner(previous_.port_scanner);
  install_serial_backend(previous_.serial_backend);
}

}  // namespace quintrel

// quintrel-cli: the device's settings from the command line, for scripts and production lines.
#include "link/linux_port_scanner.h"
#include "link/posix_advertised_ports.h"
#include "link/posix_serial_device.h"
#include "ui/cli/cli_program.h"

int main(int argc, char** argv) {
  quintrel::PosixSerialBackend serial;
  // The kernel's serial ports, then the simulated devices that advertise themselves.
  quintrel::LinuxPortScanner system_ports;
  quintrel::AdvertisedPortScanner scanner(&system_ports);
  return quintrel::cli::run_cli_program(argc, argv, serial, scanner);
}

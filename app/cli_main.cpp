// quintrel-cli: the device's settings from the command line, for scripts and production lines.
#include "link/linux_port_scanner.h"
#include "link/posix_serial_device.h"
#include "ui/cli/cli_program.h"

int main(int argc, char** argv) {
  quintrel::PosixSerialBackend serial;
  quintrel::LinuxPortScanner scanner;
  return quintrel::cli::run_cli_program(argc, argv, serial, scanner);
}

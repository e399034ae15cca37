// quintrel-cli: the device's settings from the command line, for scripts and production lines.
#include <iostream>
#include <optional>

#include "link/clock.h"
#include "link/linux_port_scanner.h"
#include "link/port_list.h"
#include "link/posix_serial_device.h"
#include "link/serial_link.h"
#include "link/tracing_device.h"
#include "ui/cli/cli_arguments.h"
#include "ui/cli/cli_commands.h"
#include "ui/cli/console_presenter.h"

int main(int argc, char** argv) {
  using namespace quintrel;
  int exit_code = 0;
  const std::optional<cli::CliRequest> request =
      cli::parse_cli_arguments(argc, argv, std::cout, std::cerr, exit_code);
  if (!request) {
    return exit_code;
  }

  PosixSerialBackend serial;
  TracingBackend tracing(serial, std::cerr, link_clock());
  TracingBackend precise_tracing(serial, std::cerr, monotonic_clock());
  SerialBackend* backend = &serial;
  if (request->precise_trace) {
    backend = &precise_tracing;
  } else if (request->trace) {
    backend = &tracing;
  }
  install_serial_backend(backend);
  LinuxPortScanner scanner;
  install_port_scanner(&scanner);
  cli::ConsolePresenter presenter(std::cerr);
  install_message_presenter(&presenter);

  exit_code = cli::run_cli_command(*request, presenter, std::cout, std::cerr);

  serial_link().device.reset();
  install_message_presenter(nullptr);
  install_port_scanner(nullptr);
  install_serial_backend(nullptr);
  return exit_code;
}

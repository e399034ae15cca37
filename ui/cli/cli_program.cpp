#include "ui/cli/cli_program.h"

#include <iostream>
#include <optional>

#include "link/clock.h"
#include "link/serial_link.h"
#include "link/tracing_device.h"
#include "ui/cli/cli_arguments.h"
#include "ui/cli/cli_commands.h"
#include "ui/cli/concurrent_commands.h"
#include "ui/cli/console_presenter.h"

namespace quintrel::cli {

int run_cli_program(int argc, char** argv, SerialBackend& serial, PortScanner& scanner) {
  int exit_code = 0;
  const std::optional<CliRequest> request =
      parse_cli_arguments(argc, argv, std::cout, std::cerr, exit_code);
  if (!request) {
    return exit_code;
  }

  TracingBackend tracing(serial, std::cerr, link_clock());
  TracingBackend precise_tracing(serial, std::cerr, monotonic_clock());
  SerialBackend* backend = &serial;
  if (request->precise_trace) {
    backend = &precise_tracing;
  } else if (request->trace) {
    backend = &tracing;
  }
  install_serial_backend(backend);
  install_port_scanner(&scanner);
  ConsolePresenter presenter(std::cerr);
  install_message_presenter(&presenter);

  const std::optional<int> concurrent = run_concurrent_command(*request, std::cout, std::cerr);
  exit_code = concurrent ? *concurrent : run_cli_command(*request, std::cout, std::cerr);

  serial_link().device.reset();
  install_message_presenter(nullptr);
  install_port_scanner(nullptr);
  install_serial_backend(nullptr);
  return exit_code;
}

}  // namespace quintrel::cli

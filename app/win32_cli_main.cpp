// quintrel-cli.exe: the device's settings from the command line on Windows.
#include <windows.h>

#include <iostream>
#include <optional>

#include "link/clock.h"
#include "link/port_list.h"
#include "link/serial_link.h"
#include "link/tracing_device.h"
#include "link/win32_clock.h"
#include "link/win32_port_scanner.h"
#include "link/win32_serial_device.h"
#include "ui/cli/cli_arguments.h"
#include "ui/cli/cli_commands.h"
#include "ui/cli/console_presenter.h"

int main(int argc, char** argv) {
  using namespace quintrel;
  // As in Quintrel.exe: DLLs from System32 only, and 1 ms timer resolution for the pauses and
  // reads.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const FineTimerResolution fine_timer;
  int exit_code = 0;
  const std::optional<cli::CliRequest> request =
      cli::parse_cli_arguments(argc, argv, std::cout, std::cerr, exit_code);
  if (!request) {
    return exit_code;
  }

  Win32SerialBackend serial;
  TracingBackend tracing(serial, std::cerr, link_clock());
  install_serial_backend(request->trace ? static_cast<SerialBackend*>(&tracing) : &serial);
  Win32PortScanner scanner;
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

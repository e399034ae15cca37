#include "cli/cli_program.h"

#include <iostream>
#include <optional>

#include "link/clock.h"
#include "link/monotonic_clock.h"
#include "link/tracing_device.h"
#include "platform/child_process.h"
#include "cli/cli_arguments.h"
#include "cli/cli_commands.h"
#include "cli/batch/concurrent_commands.h"
#include "cli/console_presenter.h"

namespace quintrel::cli {

int run_cli_program(int argc, char** argv, const Services& platform) {
  int exit_code = 0;
  const std::optional<CliRequest> request =
      parse_cli_arguments(argc, argv, std::cout, std::cerr, exit_code);
  if (!request) {
    return exit_code;
  }
  if (request->parent_pid != 0) {
    end_with_parent(request->parent_pid);
  }

  Services services = platform;
  TracingBackend tracing(*platform.serial_backend, std::cerr, link_clock());
  TracingBackend precise_tracing(*platform.serial_backend, std::cerr, monotonic_clock());
  if (request->precise_trace) {
    services.serial_backend = &precise_tracing;
  } else if (request->trace) {
    services.serial_backend = &tracing;
  }
  ConsolePresenter presenter(std::cerr);
  services.message_presenter = &presenter;
  const ServicesScope scope(services);
  const std::optional<int> concurrent = run_concurrent_command(*request, std::cout, std::cerr);
  return concurrent ? *concurrent : run_cli_command(*request, std::cout, std::cerr);
}

}  // namespace quintrel::cli

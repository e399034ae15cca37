// quintrel-cli: the device's settings from the command line, for scripts and production lines.
#include "cli/cli_program.h"
#include "platform/linux/linux_standard_output.h"
#include "platform/platform_services.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
  // Before anything opens a file: cron and services may start it with standard streams closed.
  quintrel::hold_standard_descriptors();
  const quintrel::CheckedStandardOutput output;
  quintrel::PlatformServices platform;
  return quintrel::cli::run_cli_program(argc, argv, platform);
}

// quintrel-cli: the device's settings from the command line, for scripts and production lines.
#include "cli/cli_program.h"
#include "platform/platform_services.h"

int main(int argc, char** argv) {
  quintrel::PlatformServices platform;
  return quintrel::cli::run_cli_program(argc, argv, platform);
}

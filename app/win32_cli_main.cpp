// quintrel-cli.exe: the device's settings from the command line on Windows.
#include "link/platform_services.h"
#include "ui/cli/cli_program.h"

int main(int argc, char** argv) {
  // First of all: DLLs from System32 only, and 1 ms timer resolution for the pauses and reads.
  quintrel::PlatformServices platform;
  return quintrel::cli::run_cli_program(argc, argv, platform.services());
}

// quintrel-cli.exe: the device's settings from the command line on Windows.
#include <windows.h>

#include "link/win32_clock.h"
#include "link/win32_port_scanner.h"
#include "link/win32_serial_device.h"
#include "ui/cli/cli_program.h"

int main(int argc, char** argv) {
  // As in Quintrel.exe: DLLs from System32 only, and 1 ms timer resolution for the pauses and
  // reads.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  const quintrel::FineTimerResolution fine_timer;
  quintrel::Win32SerialBackend serial;
  quintrel::Win32PortScanner scanner;
  return quintrel::cli::run_cli_program(argc, argv, serial, scanner);
}

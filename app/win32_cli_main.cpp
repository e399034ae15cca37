// quintrel-cli.exe: the device's settings from the command line on Windows.
#include <string>
#include <vector>

#include "base/utf8_text.h"
#include "cli/cli_program.h"
#include "platform/platform_services.h"
#include "platform/windows/win32_console_mode.h"
#include "platform/windows/win32_console_writer.h"

// wmain (linked with -municode): the arguments arrive as UTF-16, as typed, rather than through
// the ANSI code page, which cannot hold every port name; the program takes them as UTF-8.
int wmain(int argc, wchar_t** argv) {
  // First of all: DLLs from System32 only.
  quintrel::PlatformServices platform;
  const quintrel::cli::ConsoleModeKeeper console_mode(GetStdHandle(STD_OUTPUT_HANDLE));
  const quintrel::cli::Win32ConsoleStreams console;

  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(quintrel::utf8_from_utf16(reinterpret_cast<const char16_t*>(argv[i])));
  }
  std::vector<char*> pointers;
  for (std::string& argument : arguments) {
    pointers.push_back(argument.data());
  }
  pointers.push_back(nullptr);

  return quintrel::cli::run_cli_program(argc, pointers.data(), platform);
}

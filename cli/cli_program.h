// quintrel-cli's whole run, once the program's entry has made its platform's services: parse the
// command line, wrap the serial backend for --trace and run the command.
#pragma once

#include "platform/platform_services.h"

namespace quintrel::cli {

int run_cli_program(int argc, char** argv, PlatformServices& platform);

}  // namespace quintrel::cli

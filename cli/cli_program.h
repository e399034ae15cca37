// quintrel-cli's whole run, once the platform has supplied its serial backend and port scanner:
// parse the command line, install the services (with --trace wrapping the backend) and the
// console presenter, run the command and leave the link closed.
#pragma once

#include "link/services_scope.h"

namespace quintrel::cli {

int run_cli_program(int argc, char** argv, const Services& platform);

}  // namespace quintrel::cli

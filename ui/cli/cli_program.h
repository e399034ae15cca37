// quintrel-cli's whole run, once the platform has supplied its serial backend and port scanner:
// parse the command line, install the core's seams (with --trace wrapping the backend), run the
// command and leave the link closed.
#pragma once

#include "link/port_list.h"
#include "link/serial_device.h"

namespace quintrel::cli {

int run_cli_program(int argc, char** argv, SerialBackend& serial, PortScanner& scanner);

}  // namespace quintrel::cli

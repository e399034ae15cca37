// What quintrel-cli's commands work with: the platform's serial backend (wrapped for --trace),
// port scanner and clock. Each port's command makes its own SerialLink over the backend and clock.
#pragma once

#include "link/clock.h"
#include "link/serial_port.h"
#include "ports/port_list.h"

namespace quintrel::cli {

class LineRecorder;

struct CliServices {
  SerialBackend& serial_backend;
  PortScanner* port_scanner;  // null: the port list holds only the fixed names
  Clock& clock;
  LineRecorder* recorder = nullptr;  // a save's record (cli/line/); null: none
};

}  // namespace quintrel::cli

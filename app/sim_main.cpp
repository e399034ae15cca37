// quintrel-sim: the simulated device on a pseudo-terminal.
#include <iostream>

#include "platform/standard_streams.h"
#include "sim/pty_simulator.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
  // Before the ptys are opened: a pty on descriptor 1 would take the status lines as replies.
  quintrel::hold_standard_descriptors();
  const quintrel::Result<std::optional<quintrel::sim::SimOptions>> options =
      quintrel::sim::parse_sim_options(argc, argv, std::cout);
  if (!options) {
    std::cerr << options.error();
    return 2;
  }
  if (!*options) {
    return 0;  // --help or --version
  }
  return quintrel::sim::run_simulator(**options, std::cout, std::cerr);
}

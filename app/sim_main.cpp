// quintrel-sim: the simulated device on a pseudo-terminal.
#include <iostream>

#include "sim/pty_simulator.h"
#include "sim/sim_options.h"

int main(int argc, char** argv) {
  int exit_code = 0;
  const auto options =
      quintrel::sim::parse_sim_options(argc, argv, std::cout, std::cerr, exit_code);
  if (!options) {
    return exit_code;
  }
  return quintrel::sim::run_simulator(*options, std::cout, std::cerr);
}

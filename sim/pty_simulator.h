// quintrel-sim's work: the simulated device on a pseudo-terminal.
#pragma once

#include <ostream>

#include "sim/sim_options.h"

namespace quintrel::sim {

// Creates the pty (and the --link), prints its path on out, and answers frames until SIGINT or
// SIGTERM. An unplug fault closes the pty mid-reply, then opens a new one, prints its path and
// moves the link to it, as a re-plugged adapter comes back under the same name. Returns the
// program's exit code: 0 after a stop, 1 when the pty or the state file fails.
int run_simulator(const SimOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quintrel::sim

// quintrel-sim's work: the simulated device on a pseudo-terminal.
#pragma once

#include <ostream>

#include "sim/sim_options.h"

namespace quintrel::sim {

// Creates the pty (and the --link), prints its path on out, and answers frames until SIGINT or
// SIGTERM. An unplug fault closes the pty mid-reply, then opens a new one, prints its path and
// moves the link to it, as a re-plugged adapter comes back under the same name. With --count N it
// plays N such devices side by side, device K on "LINK-K" with "STATE-K", its pty lines on out
// as "K PATH" and its log lines starting "#K ". Returns the program's exit code: 0 after a stop,
// 1 when a pty or a state file fails.
int run_simulator(const SimOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quintrel::sim

// The commands that run on many ports at once, each port in a child process of this program:
// ports --probe, read / save / buzzer-off over several -p or --found, and the probe of one port
// that a probing run's port-job asks for.
#pragma once

#include <optional>
#include <ostream>

#include "cli/cli_arguments.h"
#include "cli/cli_services.h"

namespace quintrel::cli {

// Runs the request when it is one of those and returns its exit status; nullopt for a command
// on one port, which runs in this process.
std::optional<int> run_batch_request(const CliRequest& request, const CliServices& services,
                                     std::ostream& out, std::ostream& err);

}  // namespace quintrel::cli

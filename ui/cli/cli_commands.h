// What quintrel-cli does for each command, over the same core as the window: open_port, the
// setting commands and the port list. Messages reach the error stream through the installed
// ConsolePresenter; results go to out.
#pragma once

#include <ostream>

#include "ui/cli/cli_arguments.h"
#include "ui/cli/console_presenter.h"

namespace quintrel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The text for a reply with an empty payload, which the window passes over in silence.
inline constexpr char kEmptyResponse[] = "Empty response";

// Runs the request and returns the exit status. The presenter must be the installed one.
int run_cli_command(const CliRequest& request, ConsolePresenter& presenter, std::ostream& out,
                    std::ostream& err);

}  // namespace quintrel::cli

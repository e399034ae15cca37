// What quintrel-cli does for each command, over the same core as the window: open_port, the
// setting commands and the port list. Messages reach the error stream through the installed
// message presenter; results go to out.
#pragma once

#include <ostream>
#include <string>

#include "link/link_status.h"
#include "cli/cli_arguments.h"

namespace quintrel::cli {

// Exit codes of a run over one port.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the device did not answer right
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCannotOpen = 3;    // any of the open steps failed
inline constexpr int kExitVerifyFailed = 4;  // --verify read back other values

// The text for a reply with an empty payload, which the window passes over in silence.
inline constexpr char kEmptyResponse[] = "Empty response";

// The exit code of a port whose operation ended with this status.
int exit_code_for(LinkStatus status);

// The program's message for a failed status, as the window shows it (an empty reply, which the
// window does not show, as kEmptyResponse); empty for kOk.
std::string failure_message(LinkStatus status);

// Runs the request and returns the exit status.
int run_cli_command(const CliRequest& request, std::ostream& out, std::ostream& err);

}  // namespace quintrel::cli

// What quintrel-cli does for each command, over the same core as the window: a SerialLink per
// port, the setting commands and the port list. Each failure's message goes to the error stream
// where it is met; results go to out.
#pragma once

#include <ostream>
#include <string>

#include "cli/cli_arguments.h"
#include "cli/cli_services.h"
#include "cli/port_json.h"
#include "link/link_outcome.h"

namespace quintrel::cli {

// Exit codes of a run over one port.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the device did not answer right
inline constexpr int kExitUsage = 2;
inline constexpr int kExitCannotOpen = 3;    // any of the open steps failed
inline constexpr int kExitVerifyFailed = 4;  // --verify read back other values
// Standard output could not take the results (a full disk, a closed output, a terminal gone); a
// reader that has gone is kExitOutputClosed (cli/batch/batch_command.h).
inline constexpr int kExitOutputFailed = 6;
// The line's record could not be reached or written (cli/line/).
inline constexpr int kExitRecordFailed = 7;

// The text for a reply with an empty payload, which the window passes over in silence.
inline constexpr char kEmptyResponse[] = "Empty response";

// The exit code of a port whose operation ended with this status.
int exit_code_for(LinkStatus status);

// The program's message for a failed outcome, as the window shows it (an empty reply, which the
// window does not show, as kEmptyResponse); empty for success.
std::string failure_message(const LinkOutcome& outcome);

// The name a link opens for a port the command line selected: what the window's open takes from
// its port box, the text before "(" of at most 299 UTF-16 units, or all of those units when they
// name something as they stand (a link "port(1)").
std::u16string port_name_to_open(const std::string& port);

// Runs the request and returns the exit status; result, when given, receives the port's object
// as --json prints it (for the line's record).
int run_cli_command(const CliRequest& request, const CliServices& services, std::ostream& out,
                    std::ostream& err, JsonObject* result = nullptr);

}  // namespace quintrel::cli

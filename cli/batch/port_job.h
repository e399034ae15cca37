// The one way a run over many ports hands a port's job to its child: the hidden command port-job,
// which takes nothing from its command line and its whole request as one JSON object on standard
// input. So no option a user can type changes how a child behaves, and the request says all the
// child needs: {"command", "port", "bitrate", "identifier", "verify", "read_before", "trace",
// "precise_trace", "parent_pid"} ("command" is "read", "save", "buzzer-off" or "probe";
// "read_before": a save reads the device's values first, for the line's record).
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include "base/result.h"
#include "cli/cli_arguments.h"

namespace quintrel::cli {

// The request text for the child that runs request's command on port; parent_pid is the run's
// process, which the child ends with.
std::string port_job_text(const CliRequest& request, const std::string& port, int parent_pid);

// The longest request a child reads. A request is a few hundred bytes; its one long field, the
// port, is at most a path of 4096 bytes, which JSON's escapes make at most six times longer.
inline constexpr std::size_t kPortJobRequestMax = 64 * 1024;

// The request text on in; fails when it is longer than kPortJobRequestMax: a child never holds
// more than that, whatever it is given.
Result<std::string> port_job_input(std::istream& in);

// The request a child runs (with --json output); fails saying what is wrong with the text.
Result<CliRequest> port_job_request(std::string_view text);

}  // namespace quintrel::cli

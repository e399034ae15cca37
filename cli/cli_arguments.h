// The command line of quintrel-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/result.h"
#include "cli/argument_forms.h"
#include "cli/line/line_options.h"
#include "device/bitrate_code.h"

namespace quintrel::cli {

// kPortJob is the hidden command a run over many ports starts in a child process for each port,
// with the port's request on standard input (cli/batch/port_job.h); kProbePort is the probe of
// one port such a request may ask for.
// kRecord lists or changes the line's record (cli/line/).
enum class CliCommand { kPorts, kRead, kSave, kBuzzerOff, kProbePort, kPortJob, kRecord };
inline constexpr char kPortJobCommand[] = "port-job";

struct CliRequest {
  CliCommand command = CliCommand::kPorts;
  std::string port;                // the one -p selector as typed, else QUINTREL_PORT
  std::vector<std::string> ports;  // every -p selector as typed, or QUINTREL_PORT's
  bool found = false;              // read, save, buzzer-off: every port where a device answers
  bool probe = false;              // ports: ask each candidate port for its bitrate
  std::string match;               // ports --probe: only the listed ports this selects
  bool trace = false;              // every frame on the error stream
  bool precise_trace = false;      // the trace on the shared monotonic clock, in microseconds
  bool json = false;               // JSON objects instead of text
  BitrateCode bitrate = 0;         // save
  std::u16string identifier;       // save: as the identifier field would hold it
  bool verify = false;             // save: read back and compare
  std::uint32_t deadline_ms = 0;   // --deadline: each port's child in a run over many ports; 0:
                                   // from the exchanges of its command
  int parent_pid = 0;  // a port's job (Linux): it ends when the run that started it ends
  LineOptions line;    // save and record: the line's record
};

// The environment variable that names the port when -p is absent.
inline constexpr char kPortVariable[] = "QUINTREL_PORT";

// Parses the arguments, taking the port from QUINTREL_PORT when a command needs one and -p is
// absent. Gives the request, or none when --help or --version asked for nothing more than what
// they printed on out (exit 0). Fails with a usage error (exit 2), its last line pointing to
// --help.
Result<std::optional<CliRequest>> parse_cli_arguments(int argc, const char* const* argv,
                                                      std::ostream& out);

}  // namespace quintrel::cli

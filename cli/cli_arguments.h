// The command line of quintrel-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

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

// A list text ("500kbps", in any case) or a code "0".."4"; nullopt for anything else.
std::optional<BitrateCode> bitrate_from_argument(std::string_view text);

// What the identifier field would hold after typing these characters: hexadecimal digits of
// either case with a value of at most 7FF, upper-case and without leading zeros ("07f" gives
// "7F", "000" gives "0"); nullopt for anything else.
std::optional<std::u16string> identifier_from_argument(std::string_view text);

// --deadline's bounds, in seconds.
inline constexpr double kDeadlineMinSeconds = 0.1;
inline constexpr double kDeadlineMaxSeconds = 3600;

// "17.5" seconds as milliseconds (17500); nullopt for anything but a number within the bounds.
std::optional<std::uint32_t> deadline_from_argument(std::string_view text);

// The environment variable that names the port when -p is absent.
inline constexpr char kPortVariable[] = "QUINTREL_PORT";

// Parses the arguments, taking the port from QUINTREL_PORT when a command needs one and -p is
// absent. Returns the request, or nullopt with exit_code set: 0 after --help or --version
// (printed to out), 2 after a usage error (explained on err).
std::optional<CliRequest> parse_cli_arguments(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err, int& exit_code);

}  // namespace quintrel::cli

#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <sstream>

#include "base/result.h"
#include "platform/linux/linux_pty.h"
#include "sim/fault_options.h"
#include "sim/option_checks.h"

namespace quintrel::sim {

namespace {

constexpr std::uint32_t kMaxIdentifier = 0x7FF;  // the device's identifiers are 11 bits wide

// The texts of the options that are checked or spread over the devices once all are parsed.
struct GivenTexts {
  std::string identifier;
  FaultTexts faults;
  // Options that take one value: given twice is said plainly, not as CLI11's "At Most 1 required
  // but received 2".
  std::vector<CLI::Option*> single_options;

  void once(CLI::Option* option) {
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    single_options.push_back(option);
  }
};

void describe(CLI::App& app) {
  app.name("quintrel-sim");
  app.set_version_flag("--version", "quintrel-sim " QUINTREL_VERSION);
  app.footer(
      "With --count, each --fault option may start with K: to apply to device K alone; without "
      "it, it applies to every device. The wrong-id fault answers the first ccidr after each "
      "commit (ppw3916) with another identifier, its lowest bit flipped, so that a read-back "
      "after a save sees a mismatch. The slow fault sends STX, body and ETX, and the check byte "
      "each 900 ms after the one before, just inside a host's reply stages. ng-commit answers "
      "the commit NG and stores nothing; ng answers every write, commit and bzoff NG and changes "
      "nothing; twice sends every reply again 15 ms later, while the host writes its next "
      "command; garbage-id answers ccidr with 0x, -1 and a NUL in turn, device K starting with the "
      "K-th. random draws none of "
      "these six.");
}

// The options of the devices themselves: their links, number, start values, state and log.
void add_device_options(CLI::App& app, SimOptions& options, GivenTexts& given) {
  given.once(app.add_option("--link", options.symlink, "Make a symbolic link PATH to the pty")
                 ->option_text("PATH"));
  given.once(app.add_option("--count", options.count,
                            "Play N devices side by side, with links PATH-1..PATH-N and state "
                            "files FILE-1..FILE-N; their pty lines and log lines carry the device "
                            "number")
                 ->check(accepts("a number of devices from 1 to " + std::to_string(kMaxDevices),
                                 numbers(1, kMaxDevices)))
                 ->option_text("N (1.." + std::to_string(kMaxDevices) + ")"));
  given.once(app.add_option("--bitrate", options.start.bitrate_code, "Start bitrate code")
                 ->check(accepts("a bitrate code from 0 to 4", numbers(0, 4)))
                 ->option_text("0..4 (default 3)"));
  given.once(
      app.add_option("--id", given.identifier, "Start CAN identifier, hexadecimal")
          ->check(accepts("a hexadecimal identifier from 0 to 7FF", numbers(0, kMaxIdentifier, 16)))
          ->option_text("HEX 0..7FF (default 7FF)"));
  given.once(
      app.add_option(
             "--state", options.state_file,
             "Keep the committed values in FILE between runs (it wins over the start values)")
          ->option_text("FILE"));
  app.add_flag("--pace", options.pace, "Send replies at the byte times of a 38400 8N1 line");
  app.add_flag("--monotonic-log", options.monotonic_log,
               "Stamp the frame log with the system's monotonic clock (the clock of "
               "quintrel-cli --precise-trace) instead of the time since start");
  given.once(
      app.add_option("--log", options.log_file, "Write the frame log to FILE instead of stderr")
          ->option_text("FILE"));
}

Result<void> check_given_once(const std::vector<CLI::Option*>& single_options) {
  for (const CLI::Option* option : single_options) {
    if (option->count() > 1) {
      return Failure{option->get_name() + " is given " + std::to_string(option->count()) +
                     " times; give it once"};
    }
  }
  return {};
}

// Checked before any device starts: what is at a link's name may be someone's file or device.
Result<void> check_links(const SimOptions& options) {
  for (int number = 1; !options.symlink.empty() && number <= std::max(options.count, 1); ++number) {
    const Result<void> taken =
        may_take_symlink(device_path(options.symlink, options.count, number));
    if (!taken) {
      return Failure{"--link: " + taken.error()};
    }
  }
  return {};
}

// What the parsed options say together, checked in the order the user reads the errors in.
Result<void> complete(const GivenTexts& given, SimOptions& options) {
  if (Result<void> once = check_given_once(given.single_options); !once) {
    return once;
  }
  if (Result<void> spread = spread_faults(given.faults, options); !spread) {
    return spread;
  }
  if (Result<void> links = check_links(options); !links) {
    return links;
  }
  if (!given.identifier.empty()) {
    options.start.identifier =
        static_cast<std::uint32_t>(*number_in(given.identifier, 0, kMaxIdentifier, 16));
  }
  return {};
}

}  // namespace

std::string device_path(const std::string& path, int count, int number) {
  return path.empty() || count == 0 ? path : path + "-" + std::to_string(number);
}

Result<std::optional<SimOptions>> parse_sim_options(int argc, const char* const* argv,
                                                    std::ostream& out) {
  SimOptions options;
  GivenTexts given;
  CLI::App app{
      "Plays the CAN-bus device on a pseudo-terminal: prints the pty's path, then answers every "
      "command frame with one reply frame until it is stopped (Ctrl+C or SIGTERM)."};
  describe(app);
  add_device_options(app, options, given);
  given.once(add_fault_options(app, given.faults));
  std::ostringstream said;
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help and --version end here too, printed on out.
    if (app.exit(error, out, said) == 0) {
      return std::optional<SimOptions>{};
    }
    return Failure{said.str()};
  }
  if (const Result<void> completed = complete(given, options); !completed) {
    app.exit(CLI::ValidationError(completed.error()), out, said);
    return Failure{said.str()};
  }
  return std::optional<SimOptions>{std::move(options)};
}

}  // namespace quintrel::sim

#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <sstream>

#include "base/result.h"
#include "platform/linux/linux_pty.h"

namespace quintrel::sim {

namespace {

constexpr char kRandom[] = "random";
constexpr std::uint32_t kMaxIdentifier = 0x7FF;  // the device's identifiers are 11 bits wide
constexpr std::uint64_t kMaxReplies = std::numeric_limits<int>::max();
constexpr std::uint64_t kMaxSeed = std::numeric_limits<std::uint64_t>::max();

// The fault options take "[K:]VALUE": with K the value is device K's, without it every device's.
struct Scoped {
  int device = 0;  // 0: every device
  std::string value;
};

Scoped scoped(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    return {0, text};
  }
  return {std::stoi(text.substr(0, colon)), text.substr(colon + 1)};
}

// The whole text as a number from low to high, without sign, spaces or prefix.
std::optional<std::uint64_t> number_in(const std::string& text, std::uint64_t low,
                                       std::uint64_t high, int base = 10) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
      value > high) {
    return std::nullopt;
  }
  return value;
}

std::optional<double> rate_from(const std::string& text) {
  double rate = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
  if (error != std::errc() || end != text.data() + text.size() || rate < 0 || rate > 1) {
    return std::nullopt;
  }
  return rate;
}

using Check = std::function<bool(const std::string&)>;

Check numbers(std::uint64_t low, std::uint64_t high, int base = 10) {
  return [=](const std::string& text) { return number_in(text, low, high, base).has_value(); };
}

std::string devices_up_to(int count) {
  return " is not a device number from 1 to " + std::to_string(count);
}

// Checks a value while parsing. The message names what was given and what is accepted; CLI11
// puts the option's name before it: "--bitrate: 9 is not a bitrate code from 0 to 4".
CLI::Validator accepts(const std::string& accepted, Check good) {
  return CLI::Validator(
      [accepted, good](std::string& text) -> std::string {
        return good(text) ? "" : text + " is not " + accepted;
      },
      "");
}

// Checks "[K:]VALUE", where good checks the VALUE.
CLI::Validator per_device(const std::string& accepted, Check good) {
  return CLI::Validator(
      [accepted, good](std::string& text) -> std::string {
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) {
          return good(text) ? "" : text + " is not " + accepted;
        }
        const std::string device = text.substr(0, colon);
        const std::string value = text.substr(colon + 1);
        if (!numbers(1, kMaxDevices)(device)) {
          return text + ": " + device + devices_up_to(kMaxDevices);
        }
        return good(value) ? "" : text + ": " + value + " is not " + accepted;
      },
      "");
}

using Setter = std::function<void(FaultSchedule&, const std::string&)>;

// Hands each value of one option to set, for every device or for the one named; a device's own
// value wins over the one for every device, whatever their order.
Result<void> apply(const std::string& option, const std::vector<std::string>& texts, int count,
                   std::vector<FaultSchedule>& schedules, const Setter& set) {
  std::vector<bool> given(schedules.size() + 1, false);
  for (const bool own : {false, true}) {
    for (const std::string& text : texts) {
      const auto [device, value] = scoped(text);
      if ((device > 0) != own) {
        continue;
      }
      if (device > 0 && count == 0) {
        return Failure{option + ": " + text + ": a device number needs --count"};
      }
      if (device > count) {
        return Failure{option + ": " + text + ": " + std::to_string(device) + devices_up_to(count)};
      }
      if (given[static_cast<std::size_t>(device)]) {
        return Failure{option + ": " + text + ": a second value for " +
                       (device > 0 ? "device " + std::to_string(device) : "every device") +
                       "; give one"};
      }
      given[static_cast<std::size_t>(device)] = true;
      for (std::size_t at = 0; at < schedules.size(); ++at) {
        if (device == 0 || static_cast<std::size_t>(device) == at + 1) {
          set(schedules[at], value);
        }
      }
    }
  }
  return {};
}

// The texts of the options that are checked or spread over the devices once all are parsed.
struct GivenTexts {
  std::string identifier;
  std::vector<std::string> faults;
  std::vector<std::string> firsts;
  std::vector<std::string> counts;
  std::vector<std::string> rates;
  std::uint64_t seed = 1;
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

// The fault options, each "[K:]VALUE".
void add_fault_options(CLI::App& app, GivenTexts& given) {
  std::vector<std::string> modes;
  std::string mode_list;
  for (const std::string_view name : fault_names()) {
    modes.emplace_back(name);
    mode_list += (mode_list.empty() ? "" : ", ") + modes.back();
  }
  modes.emplace_back(kRandom);
  mode_list += std::string(", ") + kRandom;
  app.add_option("--fault", given.faults, "Misbehave on replies: " + mode_list)
      ->check(per_device("a fault mode (" + mode_list + ")",
                         [modes](const std::string& mode) {
                           return std::find(modes.begin(), modes.end(), mode) != modes.end();
                         }))
      ->allow_extra_args(false)
      ->option_text("[K:]MODE");
  app.add_option("--fault-from", given.firsts, "First faulty reply, counting from 1")
      ->check(per_device("a reply number from 1 up", numbers(1, kMaxReplies)))
      ->allow_extra_args(false)
      ->option_text("[K:]N (default 1)");
  app.add_option("--fault-count", given.counts, "Number of faulty replies (0: all)")
      ->check(per_device("a number of replies from 0 up", numbers(0, kMaxReplies)))
      ->allow_extra_args(false)
      ->option_text("[K:]N (default 0)");
  app.add_option("--fault-rate", given.rates,
                 "random: the share of the replies that get a fault, drawn per reply")
      ->check(per_device("a share from 0 to 1",
                         [](const std::string& rate) { return rate_from(rate).has_value(); }))
      ->allow_extra_args(false)
      ->option_text("[K:]P (default 0.1)");
  given.once(app.add_option("--seed", given.seed,
                            "random: the seed of the draws; the same seed plays the same faults "
                            "again")
                 ->check(accepts("a whole number from 0 to " + std::to_string(kMaxSeed),
                                 numbers(0, kMaxSeed)))
                 ->option_text("S (default 1)"));
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

// Each device's fault schedule from the fault options.
Result<void> spread_faults(const GivenTexts& given, SimOptions& options) {
  struct FaultOption {
    const char* name;
    const std::vector<std::string>& texts;
    Setter set;
  };
  const FaultOption fault_options[] = {
      {"--fault", given.faults,
       [](FaultSchedule& schedule, const std::string& mode) {
         schedule.random = mode == kRandom;
         schedule.mode = schedule.random ? FaultMode::kNone : *fault_from_name(mode);
       }},
      {"--fault-from", given.firsts,
       [](FaultSchedule& schedule, const std::string& first) {
         schedule.first = std::stoi(first);
       }},
      {"--fault-count", given.counts,
       [](FaultSchedule& schedule, const std::string& count) {
         schedule.count = std::stoi(count);
       }},
      {"--fault-rate", given.rates,
       [](FaultSchedule& schedule, const std::string& rate) { schedule.rate = *rate_from(rate); }},
  };
  options.faults.resize(static_cast<std::size_t>(std::max(options.count, 1)));
  for (const FaultOption& option : fault_options) {
    if (Result<void> applied =
            apply(option.name, option.texts, options.count, options.faults, option.set);
        !applied) {
      return applied;
    }
  }
  for (FaultSchedule& schedule : options.faults) {
    schedule.seed = given.seed;
  }
  return {};
}

// Checked before any device starts: what is at a link's name may be someone's file or device.
Result<void> check_links(const SimOptions& options) {
  for (int number = 1; !options.symlink.empty() && number <= std::max(options.count, 1); ++number) {
    std::string error;
    if (!may_take_symlink(device_path(options.symlink, options.count, number), error)) {
      return Failure{"--link: " + error};
    }
  }
  return {};
}

// What the parsed options say together, checked in the order the user reads the errors in.
Result<void> complete(const GivenTexts& given, SimOptions& options) {
  if (Result<void> once = check_given_once(given.single_options); !once) {
    return once;
  }
  if (Result<void> spread = spread_faults(given, options); !spread) {
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
  add_fault_options(app, given);
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

#include "cli/cli_arguments.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "cli/batch/job_deadline.h"
#include "cli/unknown_words.h"
#include "device/can_identifier.h"
#include "platform/environment.h"

namespace quintrel::cli {

namespace {

constexpr char kMoreHelp[] = "Run with --help for more information.\n";

// A CLI11 validator from an argument function (bitrate_from_argument, identifier_from_argument).
template <typename Convert>
std::function<std::string(const std::string&)> accepts(Convert convert, std::string what) {
  return [convert, what](const std::string& text) {
    return convert(text) ? std::string() : what + ", not \"" + text + "\"";
  };
}

// No port name starts with "-": "-p --json" forgot the port, and --json must not be opened.
std::string not_an_option(const std::string& text) {
  return text.starts_with('-') ? "takes a port, not the option " + text : std::string();
}

// "125kbps, 250kbps, 500kbps, 1Mbps, "CAN Invalid" (in any case) or a code 0..4".
std::string accepted_bitrates() {
  std::string text;
  for (BitrateCode code = 1; code <= kBitrateHighest; ++code) {
    text += utf8_from_utf16(kBitrateNames[static_cast<std::size_t>(code)]) + ", ";
  }
  return "takes " + text + "\"" + utf8_from_utf16(kBitrateNames[kBitrateInvalid]) +
         "\" (in any case) or a code 0.." + std::to_string(kBitrateHighest);
}

std::vector<std::string> command_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) {
    if (!command->get_group().empty()) {
      names.push_back(command->get_name());
    }
  }
  return names;
}

// The options a user may type for this command (hidden ones left out), as typed.
std::vector<std::string> option_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_group().empty()) {
      continue;
    }
    for (const std::string& name : option->get_snames()) {
      names.push_back("-" + name);
    }
    for (const std::string& name : option->get_lnames()) {
      names.push_back("--" + name);
    }
  }
  return names;
}

// What an unquoted glob after -p becomes in a shell that expanded it: more words, each a file
// that exists. Any other word is a slip, never a port.
bool names_a_file(const std::string& word) {
  std::error_code error;
  return std::filesystem::exists(word, error);
}

// "help" and "help COMMAND" in the command's place as "--help" and "COMMAND --help" (the
// program's own options before it take no values).
std::vector<std::string> with_help_word_as_flag(int argc, const char* const* argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto word = std::find_if(args.begin(), args.end(),
                                 [](const std::string& arg) { return !arg.starts_with('-'); });
  if (word != args.end() && *word == "help") {
    const auto at = args.erase(word);
    args.insert(at == args.end() ? at : at + 1, "--help");
  }
  return args;
}

// The words CLI11 left over: unknown commands or options, or an expanded glob after -p (added to
// ports). Returns the usage error, or empty.
std::string take_remaining_words(const CLI::App& app, const CLI::App* command,
                                 CliRequest& request) {
  const std::vector<std::string> words = app.remaining(true);
  if (command == nullptr) {
    if (words.empty()) {
      return "a command is required: " + word_list(command_names(app));
    }
    return unknown_word_message(words.front(), "", command_names(app), option_names(app));
  }
  std::vector<std::string> options = option_names(*command);
  for (const std::string& word : words) {
    if (word.starts_with('-')) {
      return unknown_word_message(word, command->get_name(), {}, options);
    }
  }
  if (words.empty()) {
    return {};
  }
  // The stray word is the first that names no file: those before it may be a glob's expansion.
  const auto stray = std::find_if(words.begin(), words.end(),
                                  [](const auto& word) { return !names_a_file(word); });
  if (request.ports.empty() || stray != words.end()) {
    return "'" + (request.ports.empty() ? words.front() : *stray) +
           "' is neither an option nor a port of '" + command->get_name() +
           "': give each port its own -p (-p A -p B), or quote a glob ('COM*') so that "
           "quintrel-cli matches it against the port list";
  }
  request.ports.insert(request.ports.end(), words.begin(), words.end());
  return {};
}

}  // namespace

std::optional<BitrateCode> bitrate_from_argument(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '0' + kBitrateHighest) {
    return text[0] - '0';
  }
  for (BitrateCode code = 0; code <= kBitrateHighest; ++code) {
    if (equal_ignoring_ascii_case(text,
                                  utf8_from_utf16(kBitrateNames[static_cast<std::size_t>(code)]))) {
      return code;
    }
  }
  return std::nullopt;
}

std::optional<std::u16string> identifier_from_argument(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : text) {
    const int digit = hex_digit_value(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
    if (value > kIdentifierMaximum) {
      return std::nullopt;
    }
  }
  return utf16_from_utf8(hex_text(value));
}

std::optional<std::uint32_t> deadline_from_argument(std::string_view text) {
  // std::stod would also take leading spaces, a sign, "nan" and "inf".
  if (text.empty() || text[0] < '0' || text[0] > '9') {
    return std::nullopt;
  }
  double seconds = 0;
  const std::string number(text);
  std::size_t used = 0;
  try {
    seconds = std::stod(number, &used);
  } catch (const std::logic_error&) {
    return std::nullopt;
  }
  // Trailing words ("5s") are refused too.
  if (used != number.size() ||
      !(seconds >= kDeadlineMinSeconds && seconds <= kDeadlineMaxSeconds)) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(seconds * 1000 + 0.5);
}

std::optional<CliRequest> parse_cli_arguments(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err, int& exit_code) {
  CliRequest request;
  CLI::App app{
      "Reads and writes the bitrate and CAN identifier of the CAN-bus device on a serial "
      "port, and switches its buzzer off, on one port or on many at once. Exit status: 0 "
      "success; 1 the device did not answer right (time-out, wrong check byte, empty reply); 2 "
      "usage error; 3 the port cannot be opened (missing, busy, no permission, not a serial "
      "port); 4 --verify read back other values; 5 a run over several ports (a glob, several -p, "
      "--found) where some port failed (--found that found no device: 1); 6 the results could "
      "not be written to standard output (disk full, output closed; the command itself was "
      "done); 7 the record could not be reached or written (before a save: no device was "
      "touched; after one: the device was configured, as the message says); 130 a run over several "
      "ports was interrupted (Ctrl+C, SIGTERM, SIGHUP); 141 as "
      "6, for a pipe whose reader has ended (every started port still finished)."};
  app.name("quintrel-cli");
  app.set_version_flag("-V,--version", "quintrel-cli " QUINTREL_VERSION);
  // At most one command; a missing or unknown one, and every stray word, is answered below by
  // name rather than with CLI11's "A subcommand is required".
  app.require_subcommand(0, 1);
  app.allow_extras();
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    std::string text = error.what();
    // CLI11's "--port: 1 required TEXT missing" for an option given without its value.
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr &&
        text.ends_with(" missing")) {
      text = text.substr(0, text.find(':')) + " needs a value after it";
    }
    return text + '\n' + kMoreHelp;
  });
  // --trace may come before or after the command, and each command's --help shows it.
  const auto add_trace = [&request](CLI::App* command) {
    command->add_flag("--trace", request.trace,
                      "Print each frame sent and received, in hex with millisecond times, on "
                      "stderr");
    command->add_flag("--precise-trace", request.precise_trace,
                      "Like --trace, stamped in microseconds on the system's monotonic clock (the "
                      "clock of quintrel-sim --monotonic-log), with each frame's first and last "
                      "byte and a purge line where each exchange starts");
  };
  add_trace(&app);

  const std::string port_help =
      "Serial port: a device path (/dev/ttyUSB0), a name under /dev (ttyUSB0), COM1..COMn "
      "(/dev/ttyS0..), an entry of 'ports', usb:VID:PID[:SERIAL] or serial:TEXT (one device "
      "of 'ports --json'), or a glob over the listed ports ('COM*'); default: $QUINTREL_PORT. "
      "Repeat -p to run on several ports at once. An unquoted glob that the shell expanded, "
      "-p PORT PORT..., is taken too: words after a port that name existing files; any other "
      "stray word is a usage error";
  const std::string json_help =
      "Print one JSON object per port: port, by_id and link where the port list was consulted, "
      "ok, exit, and error (and reason) when it failed";
  std::string deadline;
  const std::string deadline_help =
      "In a run over several ports: stop a port's process when it has not finished after this "
      "many seconds (0.1..3600); default: " +
      default_deadline_rule() + ", time for every reply stage to run out (" +
      default_deadline_examples() + ")";
  const auto add_deadline = [&](CLI::App* command) {
    command->add_option("--deadline", deadline, deadline_help)
        ->check(accepts(deadline_from_argument, "a number of seconds from 0.1 to 3600"))
        ->option_text("SECONDS");
  };
  const std::string found_help =
      "Run on every port where a device answers (see 'ports --probe'); with -p (or else "
      "$QUINTREL_PORT), among those ports only, and a port so selected where no device answers "
      "(silent, garbled, busy) fails";
  CLI::App* ports = app.add_subcommand("ports", "List the serial ports as the port box holds them");
  ports->add_flag("--json", request.json,
                  "One JSON object per port: port, description, kind, and vid, pid, serial, "
                  "manufacturer, product, by_id, link, location where known; with --probe, "
                  "probe and bitrate, bitrate_code or reason");
  ports->add_flag("--probe", request.probe,
                  "Ask each port for its bitrate (which changes nothing) and say what answered; "
                  "exit 0 when a device was found, 1 otherwise");
  CLI::Option* match =
      ports
          ->add_option("--match", request.match,
                       "--probe: only the listed ports this selects (not together with -p)")
          ->option_text("SELECTOR")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  ports->add_option("-p,--port", request.ports, "--probe: only these ports (not with --match)")
      ->option_text("PORT")
      ->allow_extra_args(false)
      ->check(not_an_option);
  add_deadline(ports);

  // Each command that talks to a device: one or more -p (else QUINTREL_PORT), or --found.
  const auto add_ports = [&](CLI::App* command, const std::string& json_text) {
    command->add_option("-p,--port", request.ports, port_help)
        ->option_text("PORT")
        ->allow_extra_args(false)
        ->check(not_an_option);
    command->add_flag("--found", request.found, found_help);
    command->add_flag("--json", request.json, json_text);
    add_deadline(command);
    add_trace(command);
  };
  CLI::App* read = app.add_subcommand("read", "Read the bitrate and the CAN identifier");
  add_ports(read, json_help + ", with bitrate, bitrate_code, identifier");

  CLI::App* save =
      app.add_subcommand("save", "Write the bitrate and the CAN identifier, then commit them");
  add_ports(save, json_help);
  std::string bitrate;
  CLI::Option* bitrate_option =
      save->add_option("--bitrate", bitrate,
                       "125kbps, 250kbps, 500kbps, 1Mbps, \"CAN Invalid\", or a code 0..4")
          ->required()
          ->check(accepts(bitrate_from_argument, accepted_bitrates()))
          ->option_text("B")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  std::string identifier;
  CLI::Option* identifier_option =
      save->add_option("--id", identifier, "CAN identifier, hexadecimal, at most 7FF")
          ->check(accepts(identifier_from_argument,
                          "takes hexadecimal digits with a value of at most 7FF"))
          ->option_text("HEX")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  save->add_flag("--verify", request.verify,
                 "Read both values back after the commit; fail when they differ");
  std::string id_from;
  add_line_save_options(*save, request.line, id_from);

  CLI::App* buzzer = app.add_subcommand("buzzer-off", "Switch the device's buzzer off");
  add_ports(buzzer, json_help);
  std::string release;
  CLI::App* record = add_record_command(app, request.line, release, request.json);

  // What a run over many ports starts for each port, its request on standard input; not for
  // people, so not in --help.
  CLI::App* port_job = app.add_subcommand(kPortJobCommand, "")->group("");

  try {
    std::vector<std::string> args = with_help_word_as_flag(argc, argv);
    std::reverse(args.begin(), args.end());  // CLI11 takes them from the back
    app.parse(args);
  } catch (const CLI::ParseError& error) {
    exit_code = app.exit(error, out, err) == 0 ? 0 : 2;
    return std::nullopt;
  }
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  std::string usage = take_remaining_words(app, chosen.empty() ? nullptr : chosen.front(), request);
  for (const CLI::Option* once : {match, bitrate_option, identifier_option}) {
    if (usage.empty() && once->count() > 1) {
      usage =
          once->get_name() + " is given " + std::to_string(once->count()) + " times; give it once";
    }
  }
  if (usage.empty() && *ports && !request.probe &&
      (!request.match.empty() || !request.ports.empty())) {
    usage = "--match and -p of 'ports' go with --probe";
  }
  if (usage.empty() && *ports && !request.match.empty() && !request.ports.empty()) {
    usage =
        "--match and -p both choose the ports to probe; give one of them (-p takes a glob "
        "over the list too)";
  }
  if (usage.empty()) {
    usage = take_line_options(request.line, id_from, release, save->parsed(),
                              identifier_option->count() > 0, record->parsed(), request.json);
  }
  if (!usage.empty()) {
    err << usage << '\n' << kMoreHelp;
    exit_code = 2;
    return std::nullopt;
  }
  if (*ports) {
    request.command = CliCommand::kPorts;
  } else if (*read) {
    request.command = CliCommand::kRead;
  } else if (*save) {
    request.command = CliCommand::kSave;
    request.bitrate = *bitrate_from_argument(bitrate);
    if (!identifier.empty()) {
      request.identifier = *identifier_from_argument(identifier);
    }
  } else if (*buzzer) {
    request.command = CliCommand::kBuzzerOff;
  } else if (*port_job) {
    request.command = CliCommand::kPortJob;
  } else if (*record) {
    request.command = CliCommand::kRecord;
  }
  if (!deadline.empty()) {
    request.deadline_ms = *deadline_from_argument(deadline);
  }
  exit_code = 0;
  // QUINTREL_PORT stands in for -p, with --found too: it names the ports the search may reach,
  // so that a station's save --found never writes to a device elsewhere on the PC.
  std::string failure;
  const std::optional<std::string> named = environment_variable(kPortVariable, failure);
  if (request.command != CliCommand::kPorts && request.command != CliCommand::kPortJob &&
      request.command != CliCommand::kRecord && request.ports.empty() &&
      (named || !failure.empty() || !request.found)) {
    if (!named || named->empty()) {
      err << (!failure.empty() ? "QUINTREL_PORT cannot be read (" + failure + "): give -p PORT"
              : !named         ? "--port is required (or QUINTREL_PORT in the environment)"
              : request.found  ? "QUINTREL_PORT is empty: set it to the ports --found may search, "
                                 "or unset it to search every port"
                               : "QUINTREL_PORT is empty: set it to a port, or give -p PORT")
          << '\n'
          << kMoreHelp;
      exit_code = 2;
      return std::nullopt;
    }
    request.ports = {*named};
  }
  if (request.ports.size() == 1) {
    request.port = request.ports.front();
  }
  return request;
}

}  // namespace quintrel::cli

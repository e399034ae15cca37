#include "cli/command_options.h"

#include "cli/argument_forms.h"
#include "cli/batch/job_deadline.h"
#include "cli/line/line_options.h"

namespace quintrel::cli {

namespace {

// No port name starts with "-": "-p --json" forgot the port, and --json must not be opened.
std::string not_an_option(const std::string& text) {
  return text.starts_with('-') ? "takes a port, not the option " + text : std::string();
}

// The program's name, what it does with its exit statuses, and --version. At most one command; a
// missing or unknown one, and every stray word, is answered by parse_cli_arguments by name rather
// than with CLI11's "A subcommand is required".
void describe_program(CLI::App& app) {
  app.description(
      "Reads and writes the bitrate and CAN identifier of the CAN-bus device on a serial "
      "port, and switches its buzzer off, on one port or on many at once. Exit status: 0 "
      "success; 1 the device did not answer right (time-out, wrong check byte, empty reply); 2 "
      "usage error; 3 the port cannot be opened (missing, busy, no permission, not a serial "
      "port); 4 --verify read back other values; 5 a run over several ports (a glob, several -p, "
      "--found) where some port failed (--found that found no device: 1); 6 the results could "
      "not be written to standard output (disk full, output closed; the command itself was "
      "done); 7 the record could not be reached or written (before a save: no device was "
      "touched; after one: the device was configured, as the message says); 130 a run over "
      "several ports was interrupted (Ctrl+C, SIGTERM, SIGHUP); 141 as 6, for a pipe whose "
      "reader has ended (every started port still finished).");
  app.name("quintrel-cli");
  app.set_version_flag("-V,--version", "quintrel-cli " QUINTREL_VERSION);
  app.require_subcommand(0, 1);
  app.allow_extras();
}

// --trace may come before or after the command, and each command's --help shows it.
void add_trace_options(CLI::App& command, CliRequest& request) {
  command.add_flag("--trace", request.trace,
                   "Print each frame sent and received, in hex with millisecond times, on "
                   "stderr");
  command.add_flag("--precise-trace", request.precise_trace,
                   "Like --trace, stamped in microseconds on the system's monotonic clock (the "
                   "clock of quintrel-sim --monotonic-log), with each frame's first and last "
                   "byte and a purge line where each exchange starts");
}

void add_deadline_option(CLI::App& command, CliRequest& request) {
  command
      .add_option_function<std::string>(
          "--deadline",
          [&request](const std::string& text) {
            request.deadline_ms = *deadline_from_argument(text);
          },
          "In a run over several ports: stop a port's process when it has not finished after "
          "this many seconds (0.1..3600); default: " +
              default_deadline_rule() + ", time for every reply stage to run out (" +
              default_deadline_examples() + ")")
      ->check(accepts(deadline_from_argument, "a number of seconds from 0.1 to 3600"))
      ->option_text("SECONDS");
}

// -p (one or more; an expanded glob's words are taken after parsing), --found, --json, --deadline
// and the trace: the options of each command that talks to a device.
void add_port_options(CLI::App& command, CliRequest& request, const std::string& json_text) {
  command
      .add_option(
          "-p,--port", request.ports,
          "Serial port: a device path (/dev/ttyUSB0), a name under /dev (ttyUSB0), COM1..COMn "
          "(/dev/ttyS0..), an entry of 'ports', usb:VID:PID[:SERIAL] or serial:TEXT (one device "
          "of 'ports --json'), or a glob over the listed ports ('COM*'); default: "
          "$QUINTREL_PORT. Repeat -p to run on several ports at once. An unquoted glob that the "
          "shell expanded, -p PORT PORT..., is taken too: words after a port that name existing "
          "files; any other stray word is a usage error")
      ->option_text("PORT")
      ->allow_extra_args(false)
      ->check(not_an_option);
  command.add_flag("--found", request.found,
                   "Run on every port where a device answers (see 'ports --probe'); with -p (or "
                   "else $QUINTREL_PORT), among those ports only, and a port so selected where no "
                   "device answers (silent, garbled, busy) fails");
  command.add_flag("--json", request.json, json_text);
  add_deadline_option(command, request);
  add_trace_options(command, request);
}

// The --json help of each command that talks to a device, before what the command adds.
std::string port_json_help() {
  return "Print one JSON object per port: port, by_id and link where the port list was "
         "consulted, ok, exit, and error (and reason) when it failed";
}

// --match and -p choose the ports to probe, one of them.
Result<void> check_ports_usage(const CliRequest& request) {
  if (!request.probe && (!request.match.empty() || !request.ports.empty())) {
    return Failure{"--match and -p of 'ports' go with --probe"};
  }
  if (!request.match.empty() && !request.ports.empty()) {
    return Failure{
        "--match and -p both choose the ports to probe; give one of them (-p takes a glob over "
        "the list too)"};
  }
  return {};
}

CommandOptions ports_command(CLI::App& app, CliRequest& request) {
  CLI::App& ports =
      *app.add_subcommand("ports", "List the serial ports as the port box holds them");
  ports.add_flag("--json", request.json,
                 "One JSON object per port: port, description, kind, and vid, pid, serial, "
                 "manufacturer, product, by_id, link, location where known; with --probe, "
                 "probe and bitrate, bitrate_code or reason");
  ports.add_flag("--probe", request.probe,
                 "Ask each port for its bitrate (which changes nothing) and say what answered; "
                 "exit 0 when a device was found, 1 otherwise");
  const CLI::Option* match =
      ports
          .add_option("--match", request.match,
                      "--probe: only the listed ports this selects (not together with -p)")
          ->option_text("SELECTOR")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  ports.add_option("-p,--port", request.ports, "--probe: only these ports (not with --match)")
      ->option_text("PORT")
      ->allow_extra_args(false)
      ->check(not_an_option);
  add_deadline_option(ports, request);
  return {&ports, CliCommand::kPorts, {match}, check_ports_usage, false};
}

CommandOptions read_command(CLI::App& app, CliRequest& request) {
  CLI::App& read = *app.add_subcommand("read", "Read the bitrate and the CAN identifier");
  add_port_options(read, request, port_json_help() + ", with bitrate, bitrate_code, identifier");
  return {&read, CliCommand::kRead, {}, {}, true};
}

CommandOptions save_command(CLI::App& app, CliRequest& request) {
  CLI::App& save =
      *app.add_subcommand("save", "Write the bitrate and the CAN identifier, then commit them");
  add_port_options(save, request, port_json_help());
  const CLI::Option* bitrate =
      save.add_option_function<std::string>(
              "--bitrate",
              [&request](const std::string& text) {
                request.bitrate = *bitrate_from_argument(text);
              },
              "125kbps, 250kbps, 500kbps, 1Mbps, \"CAN Invalid\", or a code 0..4")
          ->required()
          ->check(accepts(bitrate_from_argument, accepted_bitrates()))
          ->option_text("B")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  const CLI::Option* identifier =
      save.add_option_function<std::string>(
              "--id",
              [&request](const std::string& text) {
                request.identifier = *identifier_from_argument(text);
              },
              "CAN identifier, hexadecimal, at most 7FF")
          ->check(accepts(identifier_from_argument,
                          "takes hexadecimal digits with a value of at most 7FF"))
          ->option_text("HEX")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  save.add_flag("--verify", request.verify,
                "Read both values back after the commit; fail when they differ");
  add_line_save_options(save, request.line);
  return {&save,
          CliCommand::kSave,
          {bitrate, identifier},
          [](const CliRequest& parsed) {
            return check_line_save_usage(parsed.line, !parsed.identifier.empty());
          },
          true};
}

CommandOptions buzzer_off_command(CLI::App& app, CliRequest& request) {
  CLI::App& buzzer = *app.add_subcommand("buzzer-off", "Switch the device's buzzer off");
  add_port_options(buzzer, request, port_json_help());
  return {&buzzer, CliCommand::kBuzzerOff, {}, {}, true};
}

// The line's record: listed, an identifier released, or a station's rows imported.
CommandOptions record_command(CLI::App& app, CliRequest& request) {
  CLI::App& record = *add_record_command(app, request.line, request.json);
  return {&record,
          CliCommand::kRecord,
          {},
          [](const CliRequest& parsed) { return check_record_usage(parsed.line, parsed.json); },
          false};
}

// What a run over many ports starts for each port, its request on standard input; not for
// people, so not in --help.
CommandOptions port_job_command(CLI::App& app) {
  return {app.add_subcommand(kPortJobCommand, "")->group(""), CliCommand::kPortJob, {}, {}, false};
}

}  // namespace

std::vector<CommandOptions> add_cli_commands(CLI::App& app, CliRequest& request) {
  describe_program(app);
  add_trace_options(app, request);
  return {ports_command(app, request),  read_command(app, request),
          save_command(app, request),   buzzer_off_command(app, request),
          record_command(app, request), port_job_command(app)};
}

}  // namespace quintrel::cli

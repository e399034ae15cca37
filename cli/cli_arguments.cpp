#include "cli/cli_arguments.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <vector>

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "device/can_identifier.h"

namespace quintrel::cli {

namespace {

// A CLI11 validator from an argument function (bitrate_from_argument, identifier_from_argument).
template <typename Convert>
std::function<std::string(const std::string&)> accepts(Convert convert, std::string what) {
  return [convert, what](const std::string& text) {
    return convert(text) ? std::string() : what + ", not \"" + text + "\"";
  };
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

std::optional<CliRequest> parse_cli_arguments(int argc, const char* const* argv, std::ostream& out,
                                              std::ostream& err, int& exit_code) {
  CliRequest request;
  CLI::App app{
      "Reads and writes the bitrate and CAN identifier of the CAN-bus device on a serial "
      "port, and switches its buzzer off, on one port or on many at once. Exit status: 0 "
      "success; 1 the device did not answer right (time-out, wrong check byte, empty reply); 2 "
      "usage error; 3 the port cannot be opened (missing, busy, no permission, not a serial "
      "port); 4 --verify read back other values; 5 a run over several ports (a glob, several -p, "
      "--found) where some port failed (--found that found no device: 1)."};
  app.name("quintrel-cli");
  app.set_version_flag("--version", "quintrel-cli " QUINTREL_VERSION);
  app.require_subcommand(1);
  app.fallthrough();  // --trace may come before or after the command
  app.add_flag("--trace", request.trace,
               "Print each frame sent and received, in hex with millisecond times, on stderr");
  app.add_flag("--precise-trace", request.precise_trace,
               "Like --trace, stamped in microseconds on the system's monotonic clock (the "
               "clock of quintrel-sim --monotonic-log), with each frame's first and last byte "
               "and a purge line where each exchange starts");

  const std::string port_help =
      "Serial port: a device path (/dev/ttyUSB0), a name under /dev (ttyUSB0), COM1..COMn "
      "(/dev/ttyS0..), an entry of 'ports', usb:VID:PID[:SERIAL] or serial:TEXT (one device "
      "of 'ports --json'), or a glob over the listed ports ('COM*'); default: $QUINTREL_PORT. "
      "Repeat -p to run on several ports at once";
  const std::string json_help =
      "Print one JSON object per port: port, ok, exit, and error (and reason) when it failed";
  const std::string found_help =
      "Run on every port where a device answers (see 'ports --probe'); with -p, among those "
      "ports only, and a port -p selected where no device answers (silent, garbled, busy) fails";
  CLI::App* ports = app.add_subcommand("ports", "List the serial ports as the port box holds them");
  ports->add_flag("--json", request.json,
                  "One JSON object per port: port, description, kind, and vid, pid, serial, "
                  "manufacturer, product, by_id, link, location where known; with --probe, "
                  "probe and bitrate, bitrate_code or reason");
  ports->add_flag("--probe", request.probe,
                  "Ask each port for its bitrate (which changes nothing) and say what answered; "
                  "exit 0 when a device was found, 1 otherwise");
  ports->add_option("--match", request.match, "--probe: only the listed ports this selects")
      ->option_text("SELECTOR");
  ports->add_option("-p,--port", request.ports, "--probe: only these ports")->option_text("PORT");

  // Each command that talks to a device: one or more -p (else QUINTREL_PORT), or --found.
  const auto add_ports = [&](CLI::App* command, const std::string& json_text) {
    command->add_option("-p,--port", request.ports, port_help)->option_text("PORT");
    command->add_flag("--found", request.found, found_help);
    command->add_flag("--json", request.json, json_text);
    command->add_option("--parent-pid", request.parent_pid)->group("");  // for children
  };
  CLI::App* read = app.add_subcommand("read", "Read the bitrate and the CAN identifier");
  add_ports(read, json_help + ", with bitrate, bitrate_code, identifier");

  CLI::App* save =
      app.add_subcommand("save", "Write the bitrate and the CAN identifier, then commit them");
  add_ports(save, json_help);
  std::string bitrate;
  save->add_option("--bitrate", bitrate,
                   "125kbps, 250kbps, 500kbps, 1Mbps, \"CAN Invalid\", or a code 0..4")
      ->required()
      ->check(accepts(bitrate_from_argument, "a bitrate list text or a code 0..4"))
      ->option_text("B");
  std::string identifier;
  save->add_option("--id", identifier, "CAN identifier, hexadecimal, at most 7FF")
      ->required()
      ->check(accepts(identifier_from_argument, "hexadecimal digits with a value of at most 7FF"))
      ->option_text("HEX");
  save->add_flag("--verify", request.verify,
                 "Read both values back after the commit; fail when they differ");

  CLI::App* buzzer = app.add_subcommand("buzzer-off", "Switch the device's buzzer off");
  add_ports(buzzer, json_help);

  // What a probing run starts for each port; not for people, so not in --help.
  CLI::App* probe_port = app.add_subcommand("probe-port", "")->group("");
  probe_port->add_option("-p,--port", request.ports)->required()->expected(1);
  probe_port->add_option("--parent-pid", request.parent_pid);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    exit_code = app.exit(error, out, err) == 0 ? 0 : 2;
    return std::nullopt;
  }
  if (*ports) {
    request.command = CliCommand::kPorts;
    if (!request.probe && (!request.match.empty() || !request.ports.empty())) {
      err << "--match and -p of 'ports' go with --probe\n";
      exit_code = 2;
      return std::nullopt;
    }
  } else if (*read) {
    request.command = CliCommand::kRead;
  } else if (*save) {
    request.command = CliCommand::kSave;
    request.bitrate = *bitrate_from_argument(bitrate);
    request.identifier = *identifier_from_argument(identifier);
  } else if (*buzzer) {
    request.command = CliCommand::kBuzzerOff;
  } else {
    request.command = CliCommand::kProbePort;
  }
  exit_code = 0;
  if (request.command != CliCommand::kPorts && request.command != CliCommand::kProbePort &&
      request.ports.empty() && !request.found) {
    const char* named = std::getenv(kPortVariable);
    if (named == nullptr || *named == '\0') {
      err << (named == nullptr ? "--port is required (or QUINTREL_PORT in the environment)"
                               : "QUINTREL_PORT is empty: set it to a port, or give -p PORT")
          << "\nRun with --help for more information.\n";
      exit_code = 2;
      return std::nullopt;
    }
    request.ports = {named};
  }
  if (request.ports.size() == 1) {
    request.port = request.ports.front();
  }
  return request;
}

}  // namespace quintrel::cli

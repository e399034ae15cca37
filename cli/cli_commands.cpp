#include "cli/cli_commands.h"

#include <optional>
#include <string>
#include <vector>

#include "base/ascii_text.h"
#include "base/message_texts.h"
#include "base/utf8_text.h"
#include "cli/argument_forms.h"
#include "cli/port_json.h"
#include "cli/port_targets.h"
#include "device/setting_commands.h"
#include "device/token_parser.h"
#include "device/verified_save.h"
#include "link/serial_link.h"
#include "ports/port_identity.h"
#include "ports/port_list.h"
#include "ports/port_selector.h"

namespace quintrel::cli {

namespace {

// Prints the bitrate the moment it is read, so that a failure of the identifier comes after it.
class PrintingReceiver final : public SettingsReceiver {
 public:
  PrintingReceiver(std::ostream& out, bool print) : out_(out), print_(print) {}

  void apply_bitrate(BitrateCode code) override {
    bitrate = code;
    if (print_) {
      out_ << "bitrate: " << bitrate_text(code) << '\n' << std::flush;
    }
  }
  void apply_identifier(std::uint32_t value) override {
    identifier = value;
    if (print_) {
      out_ << "identifier: " << hex_text(value) << '\n' << std::flush;
    }
  }

  std::optional<BitrateCode> bitrate;
  std::optional<std::uint32_t> identifier;

 private:
  std::ostream& out_;
  bool print_;
};

// What one port's command came to; with --json it is printed as the port's object.
struct PortOutcome {
  std::string port;  // the name opened
  int exit = kExitSuccess;
  std::string error;                         // the program's message, when not ok
  std::string reason;                        // what the system said when the open failed
  std::string warning;                       // who else holds the port, when an exchange failed
  JsonObject values = JsonObject::object();  // what was read
};

// The failures another program holding the port can cause by taking the device's replies.
bool is_exchange_failure(LinkStatus status) {
  return status == LinkStatus::kReplyTimeout || status == LinkStatus::kCheckByteWrong ||
         status == LinkStatus::kReplyTooLong || status == LinkStatus::kEmptyReply;
}

// Prints the failure's message where it is met and records it. Only a failed exchange looks for
// other programs holding the port: the look walks every process's open files, which is wasted on
// a port that answers.
void note_failure(const LinkOutcome& failed, SerialLink& link, PortOutcome& outcome,
                  std::ostream& err) {
  outcome.exit = exit_code_for(failed.status);
  outcome.error = failure_message(failed);
  err << outcome.error << '\n' << std::flush;
  if (is_exchange_failure(failed.status)) {
    outcome.warning = link.backend().other_holders(link.port_name());
    if (!outcome.warning.empty()) {
      err << "warning: " << outcome.warning << '\n';
    }
  }
}

// As note_failure, with the message followed by the reason the system gave for refusing the open
// (for a busy port, who holds it).
void note_open_failure(const LinkOutcome& opened, SerialLink& link, PortOutcome& outcome,
                       std::ostream& err) {
  note_failure(opened, link, outcome, err);
  outcome.reason = opened.reason;
  if (!outcome.reason.empty()) {
    err << outcome.reason << '\n';
  }
}

// The port box's entries, each device once (COM1 not again after /dev/ttyS0), as the box shows
// them: a fixed name alone, a scanned port with its description.
int run_ports(const CliRequest& request, PortScanner* scanner, std::ostream& out) {
  for (const ScannedPort& port : listed_once(port_list_entries(scanner), system_port_identity)) {
    if (request.json) {
      out << json_text(port_json(port)) << '\n';
    } else {
      out << utf8_from_utf16(port.kind == PortKind::kLegacy ? port.name : format_port_entry(port))
          << '\n';
    }
  }
  return kExitSuccess;
}

void run_read(const CliRequest& request, SerialLink& link, PortOutcome& outcome, std::ostream& out,
              std::ostream& err) {
  PrintingReceiver values(out, !request.json);
  const LinkOutcome read = read_settings(link, values);
  // Whatever was read goes into the object; the identifier is left out when it failed.
  if (values.bitrate) {
    outcome.values["bitrate"] = bitrate_text(*values.bitrate);
    outcome.values["bitrate_code"] = *values.bitrate;
  }
  if (values.identifier) {
    outcome.values["identifier"] = hex_text(*values.identifier);
  }
  if (!read.ok()) {
    note_failure(read, link, outcome, err);
  }
}

// A failed exchange is noted as any other; a value the device holds other than written is a
// failure of its own (kExitVerifyFailed).
void note_verify(const VerifiedSave& save, SerialLink& link, PortOutcome& outcome,
                 std::ostream& err) {
  if (!save.outcome.ok()) {
    note_failure(save.outcome, link, outcome, err);
    return;
  }
  for (const std::string& difference : save.differences) {
    err << difference << '\n';
    outcome.error += (outcome.error.empty() ? "" : "; ") + difference;
  }
  if (!save.differences.empty()) {
    outcome.exit = kExitVerifyFailed;
  }
}

// For the line's record: the values the device held before the save. A device that does not
// answer is not written to; one holding an identifier it cannot have is (a fresh device may).
bool read_before_save(SerialLink& link, PortOutcome& outcome, std::ostream& err) {
  PrintingReceiver before(err, false);
  const LinkOutcome read = read_settings(link, before);
  if (before.bitrate) {
    outcome.values["bitrate_before"] = bitrate_text(*before.bitrate);
  }
  if (before.identifier) {
    outcome.values["identifier_before"] = hex_text(*before.identifier);
  }
  if (read.ok() || read.status == LinkStatus::kIdentifierOutOfRange ||
      read.status == LinkStatus::kIdentifierNotHex) {
    return true;
  }
  note_failure(read, link, outcome, err);
  return false;
}

void run_save(const CliRequest& request, SerialLink& link, PortOutcome& outcome, std::ostream& out,
              std::ostream& err) {
  if (request.line.read_before && !read_before_save(link, outcome, err)) {
    return;
  }
  if (request.verify) {
    note_verify(save_and_verify(link, request.bitrate, request.identifier), link, outcome, err);
  } else if (const LinkOutcome saved = save_settings(link, request.bitrate, request.identifier);
             !saved.ok()) {
    note_failure(saved, link, outcome, err);
  }
  if (outcome.exit == kExitSuccess && !request.json) {
    out << utf8_from_utf16(messages::kSaved) << '\n';
  }
}

void run_on_link(const CliRequest& request, SerialLink& link, PortOutcome& outcome,
                 std::ostream& out, std::ostream& err) {
  switch (request.command) {
    case CliCommand::kRead:
      run_read(request, link, outcome, out, err);
      break;
    case CliCommand::kSave:
      run_save(request, link, outcome, out, err);
      break;
    case CliCommand::kBuzzerOff:
      if (const LinkOutcome silenced = buzzer_off(link); !silenced.ok()) {
        note_failure(silenced, link, outcome, err);
      }
      break;
    case CliCommand::kPorts:
    case CliCommand::kProbePort:  // run_batch_request's
    case CliCommand::kPortJob:    // replaced by its request
    case CliCommand::kRecord:     // run_record_command's
      break;
  }
}

JsonObject outcome_json(const PortOutcome& outcome) {
  JsonObject object;
  object["port"] = outcome.port;
  object["ok"] = outcome.exit == kExitSuccess;
  object["exit"] = outcome.exit;
  if (!outcome.error.empty()) {
    object["error"] = outcome.error;
  }
  if (!outcome.reason.empty()) {
    object["reason"] = outcome.reason;
  }
  if (!outcome.warning.empty()) {
    object["warning"] = outcome.warning;
  }
  object.update(outcome.values);
  return object;
}

// listed: the port list when the selector needed it (usb:, serial:), whose entry gives the
// object its by_id and link.
int run_one_port(const CliRequest& request, const std::string& port,
                 const std::vector<ScannedPort>& listed, const CliServices& services,
                 std::ostream& out, std::ostream& err, JsonObject* result) {
  PortOutcome outcome;
  outcome.port = port;
  SerialLink link(services.serial_backend, services.clock);
  if (const LinkOutcome opened = link.open(port_name_to_open(port)); opened.ok()) {
    run_on_link(request, link, outcome, out, err);
    link.close();
  } else {
    note_open_failure(opened, link, outcome, err);
  }
  const JsonObject placed = with_port_places(outcome_json(outcome), listed);
  if (request.json) {
    out << json_text(placed) << '\n' << std::flush;
  }
  if (result != nullptr) {
    *result = placed;
  }
  return outcome.exit;
}

}  // namespace

int exit_code_for(LinkStatus status) {
  switch (status) {
    case LinkStatus::kOk:
      return kExitSuccess;
    case LinkStatus::kCannotOpen:
    case LinkStatus::kCannotGetSettings:
    case LinkStatus::kCannotSetSettings:
      return kExitCannotOpen;
    case LinkStatus::kPortNotOpen:
    case LinkStatus::kReplyTimeout:
    case LinkStatus::kCheckByteWrong:
    case LinkStatus::kReplyTooLong:
    case LinkStatus::kEmptyReply:
    case LinkStatus::kPortGone:
    case LinkStatus::kIdentifierOutOfRange:
    case LinkStatus::kIdentifierNotHex:
    case LinkStatus::kDeviceRefused:
      break;
  }
  return kExitFailure;
}

std::string failure_message(const LinkOutcome& outcome) {
  if (outcome.status == LinkStatus::kEmptyReply) {
    return kEmptyResponse;
  }
  return utf8_from_utf16(outcome.message());
}

std::u16string port_name_to_open(const std::string& port) {
  const std::u16string text = utf16_from_utf8(port);
  const std::u16string_view cut = std::u16string_view(text).substr(0, kPortTextMax);
  return port_name_exists(cut) ? std::u16string(cut) : port_name_from_box_text(cut);
}

int run_cli_command(const CliRequest& request, const CliServices& services, std::ostream& out,
                    std::ostream& err, JsonObject* result) {
  if (request.command == CliCommand::kPorts) {
    return run_ports(request, services.port_scanner, out);
  }
  const std::vector<ScannedPort> listed = port_list_for({request.port}, services.port_scanner);
  const Result<SelectedPorts> selected =
      select_ports(request.port, listed, system_port_identity, system_port_exists);
  if (!selected) {
    err << selected.error() << '\n';
    return kExitUsage;
  }
  return run_one_port(request, selected->ports.front(), listed, services, out, err, result);
}

}  // namespace quintrel::cli

#include "cli/cli_commands.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/message_texts.h"
#include "device/setting_commands.h"
#include "device/token_parser.h"
#include "ports/port_list.h"
#include "link/serial_link.h"
#include "base/utf8_text.h"
#include "cli/port_json.h"
#include "ports/port_selector.h"
#include "cli/port_targets.h"

namespace quintrel::cli {

namespace {

// There is no window: messages have no owner.
constexpr OwnerWindow kNoOwner = nullptr;

std::string hex_text(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

std::string bitrate_text(BitrateCode code) {
  return utf8_from_utf16(kBitrateNames[static_cast<std::size_t>(code)]);
}

class ListingBox final : public PortBox {
 public:
  int entry_count() override { return static_cast<int>(entries.size()); }
  void delete_entry(int index) override { entries.erase(entries.begin() + index); }
  void add_entry(std::u16string_view text) override { entries.emplace_back(text); }
  void select_entry(int) override {}

  std::vector<std::u16string> entries;
};

// The "port box" of the command line: the port the selector resolved to.
class CommandLinePort final : public PortDialog {
 public:
  explicit CommandLinePort(const std::string& port) : text_(utf16_from_utf8(port)) {}
  OwnerWindow owner() override { return kNoOwner; }
  std::u16string port_box_text(std::size_t max_chars) override {
    return text_.substr(0, max_chars);
  }
  void enable_control(int, bool) override {}

 private:
  std::u16string text_;
};

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
  JsonObject values = JsonObject::object();  // what was read
};

// Takes the failure the link recorded. Only the empty reply has not been shown yet.
void note_failure(PortOutcome& outcome, std::ostream& err) {
  const LinkStatus status = serial_link().last_status;
  if (status == LinkStatus::kEmptyReply) {
    err << kEmptyResponse << '\n';
  }
  outcome.exit = exit_code_for(status);
  outcome.error = failure_message(status);
}

// The port opened for one command and closed after it.
class OpenedPort {
 public:
  explicit OpenedPort(const std::string& name) : dialog_(name) {}
  ~OpenedPort() { close_port(dialog_); }
  OpenedPort(const OpenedPort&) = delete;
  OpenedPort& operator=(const OpenedPort&) = delete;

  // On failure the message is followed by the reason the system gave for refusing the open or
  // the line settings. Other programs seen on an opened port are warned about (unless that was
  // done already): they can take the device's replies.
  bool open(bool others_checked, PortOutcome& outcome, std::ostream& err) {
    open_port(dialog_);
    if (serial_link().is_open()) {
      if (serial_backend() != nullptr && !others_checked) {
        const std::string warning = serial_backend()->last_open_warning();
        if (!warning.empty()) {
          err << "warning: " << warning << '\n';
        }
      }
      return true;
    }
    note_failure(outcome, err);
    if (serial_backend() != nullptr) {
      outcome.reason = serial_backend()->last_open_failure();
      if (!outcome.reason.empty()) {
        err << outcome.reason << '\n';
      }
    }
    return false;
  }

 private:
  CommandLinePort dialog_;
};

int run_ports(const CliRequest& request, std::ostream& out) {
  if (request.json) {
    for (const ScannedPort& port : port_list_entries()) {
      out << json_text(port_json(port)) << '\n';
    }
    return kExitSuccess;
  }
  ListingBox box;
  fill_port_list(box);
  for (const std::u16string& entry : box.entries) {
    out << utf8_from_utf16(entry) << '\n';
  }
  return kExitSuccess;
}

void run_read(const CliRequest& request, PortOutcome& outcome, std::ostream& out,
              std::ostream& err) {
  PrintingReceiver values(out, !request.json);
  read_settings(kNoOwner, values);
  // Whatever was read goes into the object; the identifier is left out when it failed.
  if (values.bitrate) {
    outcome.values["bitrate"] = bitrate_text(*values.bitrate);
    outcome.values["bitrate_code"] = *values.bitrate;
  }
  if (values.identifier) {
    outcome.values["identifier"] = hex_text(*values.identifier);
  }
  if (!values.bitrate || !values.identifier) {
    note_failure(outcome, err);
  }
}

// Reads both values back; a difference is a failure of its own (kExitVerifyFailed).
void verify_save(const CliRequest& request, PortOutcome& outcome, std::ostream& out,
                 std::ostream& err) {
  PrintingReceiver held(out, false);
  read_settings(kNoOwner, held);
  if (!held.bitrate || !held.identifier) {
    note_failure(outcome, err);
    return;
  }
  const std::uint32_t written = text_to_u32(utf8_from_utf16(request.identifier), 16);
  std::vector<std::string> differences;
  if (*held.bitrate != request.bitrate) {
    differences.push_back("Verify failed: the device holds bitrate " + bitrate_text(*held.bitrate) +
                          ", written " + bitrate_text(request.bitrate));
  }
  if (*held.identifier != written) {
    differences.push_back("Verify failed: the device holds identifier " +
                          hex_text(*held.identifier) + ", written " + hex_text(written));
  }
  for (const std::string& difference : differences) {
    err << difference << '\n';
    outcome.error += (outcome.error.empty() ? "" : "; ") + difference;
  }
  if (!differences.empty()) {
    outcome.exit = kExitVerifyFailed;
  }
}

void run_save(const CliRequest& request, PortOutcome& outcome, std::ostream& out,
              std::ostream& err) {
  if (save_settings(kNoOwner, request.bitrate, request.identifier) == -1) {
    note_failure(outcome, err);
    return;
  }
  if (request.verify) {
    verify_save(request, outcome, out, err);
  }
  if (outcome.exit == kExitSuccess && !request.json) {
    out << utf8_from_utf16(messages::kSaved) << '\n';
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
  object.update(outcome.values);
  return object;
}

int run_one_port(const CliRequest& request, const std::string& port, std::ostream& out,
                 std::ostream& err) {
  PortOutcome outcome;
  outcome.port = port;
  {
    OpenedPort opened(port);
    if (opened.open(request.others_checked, outcome, err)) {
      switch (request.command) {
        case CliCommand::kRead:
          run_read(request, outcome, out, err);
          break;
        case CliCommand::kSave:
          run_save(request, outcome, out, err);
          break;
        case CliCommand::kBuzzerOff:
          if (buzzer_off(kNoOwner) == -1) {
            note_failure(outcome, err);
          }
          break;
        case CliCommand::kPorts:
        case CliCommand::kProbePort:  // run_concurrent_command's
          break;
      }
    }
  }
  if (request.json) {
    out << json_text(outcome_json(outcome)) << '\n' << std::flush;
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
      break;
  }
  return kExitFailure;
}

std::string failure_message(LinkStatus status) {
  switch (status) {
    case LinkStatus::kOk:
      return {};
    case LinkStatus::kPortNotOpen:
      return utf8_from_utf16(messages::kPortNotOpen);
    case LinkStatus::kReplyTimeout:
      return utf8_from_utf16(messages::kReplyTimeout);
    case LinkStatus::kCheckByteWrong:
    case LinkStatus::kReplyTooLong:
      return utf8_from_utf16(messages::kReplyBccError);
    case LinkStatus::kEmptyReply:
      return kEmptyResponse;
    case LinkStatus::kCannotOpen:
      return utf8_from_utf16(messages::kPortCannotOpen);
    case LinkStatus::kCannotGetSettings:
      return utf8_from_utf16(messages::kCannotGetSettings);
    case LinkStatus::kCannotSetSettings:
      return utf8_from_utf16(messages::kCannotSetPort);
  }
  return {};
}

int run_cli_command(const CliRequest& request, std::ostream& out, std::ostream& err) {
  if (request.command == CliCommand::kPorts) {
    return run_ports(request, out);
  }
  const SelectorResult selected =
      select_ports(request.port, port_list_for({request.port}), device_identity);
  if (!selected.error.empty()) {
    err << selected.error << '\n';
    return kExitUsage;
  }
  return run_one_port(request, selected.ports.front(), out, err);
}

}  // namespace quintrel::cli

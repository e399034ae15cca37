#include "ui/cli/cli_commands.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "device/setting_commands.h"
#include "device/token_parser.h"
#include "link/port_list.h"
#include "link/serial_link.h"
#include "link/utf8_text.h"
#include "ui/messages.h"

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

std::string json_string(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

class ListingBox final : public PortBox {
 public:
  int entry_count() override { return static_cast<int>(entries.size()); }
  void delete_entry(int index) override { entries.erase(entries.begin() + index); }
  void add_entry(std::u16string_view text) override { entries.emplace_back(text); }
  void select_entry(int) override {}

  std::vector<std::u16string> entries;
};

// The "port box" of the command line: the port given with -p.
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

// One command's session: the port opened for it and closed after it, and the failure report
// for operations that return -1 without having shown a message (an empty reply payload).
class Session {
 public:
  Session(const CliRequest& request, ConsolePresenter& presenter, std::ostream& err)
      : dialog_(request.port), presenter_(presenter), err_(err) {}
  ~Session() { close_port(dialog_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Opens the port; on failure the message is followed by the reason the system gave.
  bool open() {
    open_port(dialog_);
    if (serial_link().is_open()) {
      return true;
    }
    if (serial_backend() != nullptr) {
      const std::string reason = serial_backend()->last_open_failure();
      if (!reason.empty()) {
        err_ << reason << '\n';
      }
    }
    return false;
  }

  // Call before an operation; failed() afterwards reports a silent failure.
  void begin() { shown_before_ = presenter_.shown_count(); }

  int failed() {
    if (presenter_.shown_count() == shown_before_) {
      err_ << kEmptyResponse << '\n';
    }
    return kExitFailure;
  }

 private:
  CommandLinePort dialog_;
  ConsolePresenter& presenter_;
  std::ostream& err_;
  int shown_before_ = 0;
};

int run_ports(std::ostream& out) {
  ListingBox box;
  fill_port_list(box);
  for (const std::u16string& entry : box.entries) {
    out << utf8_from_utf16(entry) << '\n';
  }
  return kExitSuccess;
}

int run_read(const CliRequest& request, Session& session, std::ostream& out) {
  PrintingReceiver values(out, !request.json);
  session.begin();
  read_settings(kNoOwner, values);
  if (request.json && values.bitrate) {
    // Whatever was read, as one object; the identifier is left out when it failed.
    out << "{\"port\":" << json_string(request.port)
        << ",\"bitrate\":" << json_string(bitrate_text(*values.bitrate))
        << ",\"bitrate_code\":" << *values.bitrate;
    if (values.identifier) {
      out << ",\"identifier\":" << json_string(hex_text(*values.identifier));
    }
    out << "}\n" << std::flush;
  }
  return values.bitrate && values.identifier ? kExitSuccess : session.failed();
}

int run_save(const CliRequest& request, Session& session, std::ostream& out, std::ostream& err) {
  session.begin();
  if (save_settings(kNoOwner, request.bitrate, request.identifier) == -1) {
    return session.failed();
  }
  if (request.verify) {
    PrintingReceiver held(out, false);
    session.begin();
    read_settings(kNoOwner, held);
    if (!held.bitrate || !held.identifier) {
      return session.failed();
    }
    const std::uint32_t written = text_to_u32(utf8_from_utf16(request.identifier), 16);
    bool same = true;
    if (*held.bitrate != request.bitrate) {
      err << "Verify failed: the device holds bitrate " << bitrate_text(*held.bitrate)
          << ", written " << bitrate_text(request.bitrate) << '\n';
      same = false;
    }
    if (*held.identifier != written) {
      err << "Verify failed: the device holds identifier " << hex_text(*held.identifier)
          << ", written " << hex_text(written) << '\n';
      same = false;
    }
    if (!same) {
      return kExitFailure;
    }
  }
  out << utf8_from_utf16(messages::kSaved) << '\n';
  return kExitSuccess;
}

}  // namespace

int run_cli_command(const CliRequest& request, ConsolePresenter& presenter, std::ostream& out,
                    std::ostream& err) {
  if (request.command == CliCommand::kPorts) {
    return run_ports(out);
  }
  Session session(request, presenter, err);
  if (!session.open()) {
    return kExitFailure;
  }
  switch (request.command) {
    case CliCommand::kRead:
      return run_read(request, session, out);
    case CliCommand::kSave:
      return run_save(request, session, out, err);
    case CliCommand::kBuzzerOff:
      session.begin();
      return buzzer_off(kNoOwner) == -1 ? session.failed() : kExitSuccess;
    case CliCommand::kPorts:
    case CliCommand::kProbePort:  // run_concurrent_command's
      break;
  }
  return kExitSuccess;
}

}  // namespace quintrel::cli

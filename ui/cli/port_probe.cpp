#include "ui/cli/port_probe.h"

#include <ostream>

#include "device/token_parser.h"
#include "link/frame_exchange.h"
#include "link/serial_link.h"
#include "link/utf8_text.h"
#include "ui/cli/cli_commands.h"
#include "ui/messages.h"

namespace quintrel::cli {

namespace {

constexpr std::uint8_t kAskBitrate[] = {'c', 'c', 'e', 'b', 'r'};

// The port to open, as if typed into the port box.
class ProbedPort final : public PortDialog {
 public:
  explicit ProbedPort(const std::string& port) : text_(utf16_from_utf8(port)) {}
  OwnerWindow owner() override { return nullptr; }
  std::u16string port_box_text(std::size_t max_chars) override {
    return text_.substr(0, max_chars);
  }
  void enable_control(int, bool) override {}

 private:
  std::u16string text_;
};

// Keeps the last message instead of printing it: the probe reports it in its own words.
class LastMessage final : public MessagePresenter {
 public:
  LastMessage() : previous_(message_presenter()) { install_message_presenter(this); }
  ~LastMessage() override { install_message_presenter(previous_); }
  LastMessage(const LastMessage&) = delete;
  LastMessage& operator=(const LastMessage&) = delete;

  int present(OwnerWindow, const MessageRequest& request) override {
    text = request.text;
    return kMessageOk;
  }

  std::u16string text;

 private:
  MessagePresenter* previous_;
};

const char* outcome_name(ProbeOutcome outcome) {
  switch (outcome) {
    case ProbeOutcome::kDevice:
      return "device";
    case ProbeOutcome::kSilent:
      return "silent";
    case ProbeOutcome::kGarbled:
      return "garbled";
    case ProbeOutcome::kBusy:
      return "busy";
    case ProbeOutcome::kMissing:
      return "missing";
    case ProbeOutcome::kUnavailable:
      break;
  }
  return "unavailable";
}

ProbeFinding failed_open(const std::u16string& message) {
  ProbeFinding finding;
  finding.reason = utf8_from_utf16(message);
  SerialBackend* backend = serial_backend();
  if (backend == nullptr || message != messages::kPortCannotOpen) {
    return finding;  // opened, but the settings step refused: not a serial line
  }
  const std::string why = backend->last_open_failure();
  if (!why.empty()) {
    finding.reason += ": " + why;
  }
  if (backend->last_open_failure_kind() == OpenFailure::kBusy) {
    finding.outcome = ProbeOutcome::kBusy;
  } else if (backend->last_open_failure_kind() == OpenFailure::kMissing) {
    finding.outcome = ProbeOutcome::kMissing;
  }
  return finding;
}

}  // namespace

ProbeFinding probe_port(const std::string& port) {
  LastMessage shown;
  ProbedPort dialog(port);
  open_port(dialog);
  if (!serial_link().is_open()) {
    return failed_open(shown.text);
  }
  ProbeFinding finding;
  ReplyBuffer reply{};
  if (send_command(nullptr, kAskBitrate) == -1 || receive_reply(nullptr, reply) == -1) {
    // A time-out shows its message; a bad check byte or an overlong body shows the BCC error;
    // an empty payload shows nothing.
    finding.outcome =
        shown.text == messages::kReplyTimeout ? ProbeOutcome::kSilent : ProbeOutcome::kGarbled;
    finding.reason = shown.text.empty() ? kEmptyResponse : utf8_from_utf16(shown.text);
  } else {
    finding.outcome = ProbeOutcome::kDevice;
    finding.bitrate = bitrate_code_from_value(parse_decimal_token(reply));
  }
  close_port(dialog);
  return finding;
}

nlohmann::ordered_json probe_json(const ProbeFinding& finding) {
  nlohmann::ordered_json object;
  object["probe"] = outcome_name(finding.outcome);
  if (finding.outcome == ProbeOutcome::kDevice) {
    object["bitrate"] = utf8_from_utf16(kBitrateNames[static_cast<std::size_t>(finding.bitrate)]);
    object["bitrate_code"] = finding.bitrate;
  } else {
    object["reason"] = finding.reason;
  }
  return object;
}

int run_probe_port(const std::string& port, std::ostream& out) {
  const ProbeFinding finding = probe_port(port);
  out << probe_json(finding).dump() << '\n' << std::flush;
  return finding.outcome == ProbeOutcome::kDevice ? kExitSuccess : kExitFailure;
}

}  // namespace quintrel::cli

#include "cli/batch/port_probe.h"

#include <ostream>

#include "device/token_parser.h"
#include "link/frame_exchange.h"
#include "link/serial_link.h"
#include "base/utf8_text.h"
#include "cli/cli_commands.h"
#include "cli/port_json.h"

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

// Why the open failed: the program's message, and for the open step the system's reason.
ProbeFinding failed_open() {
  ProbeFinding finding;
  const LinkStatus status = serial_link().last_status;
  finding.reason = failure_message(status);
  SerialBackend* backend = serial_backend();
  if (backend == nullptr || status != LinkStatus::kCannotOpen) {
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
  ProbedPort dialog(port);
  open_port(dialog);
  if (!serial_link().is_open()) {
    return failed_open();
  }
  ProbeFinding finding;
  ReplyBuffer reply{};
  if (send_command(nullptr, kAskBitrate) == -1 || receive_reply(nullptr, reply) == -1) {
    const LinkStatus status = serial_link().last_status;
    finding.outcome =
        status == LinkStatus::kReplyTimeout ? ProbeOutcome::kSilent : ProbeOutcome::kGarbled;
    finding.reason = failure_message(status);
  } else {
    finding.outcome = ProbeOutcome::kDevice;
    finding.bitrate = bitrate_code_from_value(parse_decimal_token(reply));
  }
  close_port(dialog);
  return finding;
}

JsonObject probe_json(const ProbeFinding& finding) {
  JsonObject object;
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
  out << json_text(probe_json(finding)) << '\n' << std::flush;
  return finding.outcome == ProbeOutcome::kDevice ? kExitSuccess : kExitFailure;
}

}  // namespace quintrel::cli

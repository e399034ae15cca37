#include "cli/batch/probe_job.h"

#include <ostream>

#include "base/utf8_text.h"
#include "cli/argument_forms.h"
#include "cli/cli_commands.h"
#include "cli/port_json.h"
#include "device/setting_commands.h"

namespace quintrel::cli {

namespace {

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
ProbeFinding failed_open(const LinkOutcome& opened) {
  ProbeFinding finding;
  finding.reason = failure_message(opened);
  if (!opened.reason.empty()) {
    finding.reason += ": " + opened.reason;
  }
  if (opened.open_failure == OpenFailure::kBusy) {
    finding.outcome = ProbeOutcome::kBusy;
  } else if (opened.open_failure == OpenFailure::kMissing) {
    finding.outcome = ProbeOutcome::kMissing;
  }
  return finding;
}

}  // namespace

ProbeFinding probe_port(SerialLink& link, const std::string& port) {
  const LinkOutcome opened = link.open(port_name_to_open(port));
  if (!opened.ok()) {
    return failed_open(opened);
  }
  ProbeFinding finding;
  const LinkOutcome asked = read_bitrate(link, finding.bitrate);
  if (asked.ok()) {
    finding.outcome = ProbeOutcome::kDevice;
  } else {
    switch (asked.status) {
      case LinkStatus::kReplyTimeout:
        finding.outcome = ProbeOutcome::kSilent;
        break;
      case LinkStatus::kPortGone:  // unplugged while asked: the port is no more
        finding.outcome = ProbeOutcome::kMissing;
        break;
      default:
        finding.outcome = ProbeOutcome::kGarbled;
    }
    finding.reason = failure_message(asked);
  }
  link.close();
  return finding;
}

JsonObject probe_json(const ProbeFinding& finding) {
  JsonObject object;
  object["probe"] = outcome_name(finding.outcome);
  if (finding.outcome == ProbeOutcome::kDevice) {
    object["bitrate"] = bitrate_text(finding.bitrate);
    object["bitrate_code"] = finding.bitrate;
  } else {
    object["reason"] = finding.reason;
  }
  return object;
}

int run_probe_job(const std::string& port, const CliServices& services, std::ostream& out) {
  SerialLink link(services.serial_backend, services.clock);
  const ProbeFinding finding = probe_port(link, port);
  out << json_text(probe_json(finding)) << '\n' << std::flush;
  return finding.outcome == ProbeOutcome::kDevice ? kExitSuccess : kExitFailure;
}

}  // namespace quintrel::cli

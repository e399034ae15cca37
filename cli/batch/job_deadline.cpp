#include "cli/batch/job_deadline.h"

#include <cstdio>

#include "device/setting_commands.h"

namespace quintrel::cli {

int job_exchanges(const CliRequest& request) {
  switch (request.command) {
    case CliCommand::kRead:
      return kReadSettingsExchanges;
    case CliCommand::kSave:
      return kSaveSettingsExchanges + (request.verify ? kReadSettingsExchanges : 0);
    case CliCommand::kBuzzerOff:
      return kBuzzerOffExchanges;
    case CliCommand::kPorts:
    case CliCommand::kProbePort:
    case CliCommand::kPortJob:
      break;
  }
  return kReadBitrateExchanges;  // a probe asks for the bitrate
}

std::uint32_t job_deadline_ms(const CliRequest& request) {
  if (request.deadline_ms != 0) {
    return request.deadline_ms;
  }
  return kJobMarginMs + static_cast<std::uint32_t>(job_exchanges(request)) * kExchangeMaxMs;
}

std::string deadline_text(std::uint32_t deadline_ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", deadline_ms / 1000.0);
  return text;
}

}  // namespace quintrel::cli

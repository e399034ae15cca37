#include "web/core/outcome_json.h"

#include <cstdio>

#include "base/utf8_text.h"

namespace quintrel::web {

namespace {

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + '"';
}

const char* status_name(LinkStatus status) {
  switch (status) {
    case LinkStatus::kOk:
      return "ok";
    case LinkStatus::kPortNotOpen:
      return "port-not-open";
    case LinkStatus::kReplyTimeout:
      return "timeout";
    case LinkStatus::kCheckByteWrong:
      return "check-byte";
    case LinkStatus::kReplyTooLong:
      return "too-long";
    case LinkStatus::kEmptyReply:
      return "empty";
    case LinkStatus::kPortGone:
      return "port-gone";
    case LinkStatus::kIdentifierOutOfRange:
      return "identifier-out-of-range";
    case LinkStatus::kIdentifierNotHex:
      return "identifier-not-hex";
    case LinkStatus::kDeviceRefused:
      return "device-refused";
    case LinkStatus::kCannotOpen:
      return "cannot-open";
    case LinkStatus::kCannotGetSettings:
      return "cannot-get-settings";
    case LinkStatus::kCannotSetSettings:
      return "cannot-set-settings";
  }
  return "unknown";
}

const char* failure_name(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::kMissing:
      return "missing";
    case OpenFailure::kBusy:
      return "busy";
    default:
      return "other";
  }
}

}  // namespace

std::string outcome_json(const LinkOutcome& outcome, const ReadValues& values) {
  std::string json = std::string("{\"ok\":") + (outcome.ok() ? "true" : "false") +
                     ",\"status\":\"" + status_name(outcome.status) + "\"";
  if (const std::u16string message = outcome.message(); !message.empty()) {
    json += ",\"message\":" + quoted(utf8_from_utf16(message));
    json += ",\"title\":" + quoted(utf8_from_utf16(outcome.title()));
  }
  if (outcome.status == LinkStatus::kCannotOpen) {
    json += std::string(",\"failure\":\"") + failure_name(outcome.open_failure) + "\"";
    json += ",\"reason\":" + quoted(outcome.reason);
  }
  if (values.bitrate) {
    json += ",\"bitrate\":" + std::to_string(*values.bitrate);
  }
  if (values.identifier) {
    json += ",\"identifier\":" + std::to_string(*values.identifier);
  }
  return json + "}";
}

std::string verified_save_json(const VerifiedSave& save) {
  const ReadValues held{save.held_bitrate, save.held_identifier};
  if (!save.outcome.ok() || save.differences.empty()) {
    return outcome_json(save.outcome, held);
  }
  std::string message;
  for (const std::string& difference : save.differences) {
    message += (message.empty() ? "" : "; ") + difference;
  }
  return R"({"ok":false,"status":"verify-failed","message":)" + quoted(message) +
         R"(,"title":"error","bitrate":)" + std::to_string(*held.bitrate) +
         ",\"identifier\":" + std::to_string(*held.identifier) + "}";
}

std::string bitrate_names_json() {
  std::string json = "[";
  for (const char16_t* name : kBitrateNames) {
    json += (json.size() > 1 ? "," : "") + quoted(utf8_from_utf16(name));
  }
  return json + "]";
}

std::string busy_json() {
  return R"({"ok":false,"status":"busy"})";
}

}  // namespace quintrel::web

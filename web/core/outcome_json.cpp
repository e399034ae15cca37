#include "web/core/outcome_json.h"

#include <nlohmann/json.hpp>

#include "base/utf8_text.h"

namespace quintrel::web {

namespace {

using Json = nlohmann::ordered_json;  // keys in the order they are added

// Compact; a text that is not UTF-8 (a reason from the browser) gets U+FFFD rather than throwing.
std::string text_of(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
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
  Json json = {{"ok", outcome.ok()}, {"status", status_name(outcome.status)}};
  if (const std::u16string message = outcome.message(); !message.empty()) {
    json["message"] = utf8_from_utf16(message);
    json["title"] = utf8_from_utf16(outcome.title());
  }
  if (outcome.status == LinkStatus::kCannotOpen) {
    json["failure"] = failure_name(outcome.open_failure);
    json["reason"] = outcome.reason;
  }
  if (values.bitrate) {
    json["bitrate"] = *values.bitrate;
  }
  if (values.identifier) {
    json["identifier"] = *values.identifier;
  }
  return text_of(json);
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
  return text_of({{"ok", false},
                  {"status", "verify-failed"},
                  {"message", message},
                  {"title", "error"},
                  {"bitrate", *held.bitrate},
                  {"identifier", *held.identifier}});
}

std::string bitrate_names_json() {
  Json names = Json::array();
  for (const char16_t* name : kBitrateNames) {
    names.push_back(utf8_from_utf16(name));
  }
  return text_of(names);
}

std::string busy_json() {
  return text_of({{"ok", false}, {"status", "busy"}});
}

}  // namespace quintrel::web

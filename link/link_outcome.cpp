#include "link/link_outcome.h"

#include "base/message_texts.h"

namespace quintrel {

namespace {

// The reply's bytes as the window can show them: anything but printable ASCII becomes '?'.
std::u16string printable(const std::string& bytes) {
  std::u16string text;
  for (const char c : bytes) {
    text += c > ' ' && c < 0x7F ? static_cast<char16_t>(c) : u'?';
  }
  return text;
}

}  // namespace

std::u16string LinkOutcome::message() const {
  switch (status) {
    case LinkStatus::kPortNotOpen:
      return messages::kPortNotOpen;
    case LinkStatus::kReplyTimeout:
      return messages::kReplyTimeout;
    case LinkStatus::kCheckByteWrong:
    case LinkStatus::kReplyTooLong:
      return messages::kReplyBccError;
    case LinkStatus::kPortGone:
      return messages::kPortGone;
    case LinkStatus::kIdentifierOutOfRange:
      return messages::kIdentifierOutOfRange + printable(reason);
    case LinkStatus::kIdentifierNotHex:
      return messages::kIdentifierNotHex + printable(reason);
    case LinkStatus::kDeviceRefused:
      return messages::kDeviceRefused;
    case LinkStatus::kCannotOpen:
      return messages::kPortCannotOpen;
    case LinkStatus::kCannotGetSettings:
      return messages::kCannotGetSettings;
    case LinkStatus::kCannotSetSettings:
      return messages::kCannotSetPort;
    case LinkStatus::kOk:
    case LinkStatus::kEmptyReply:
      break;
  }
  return {};
}

const char16_t* LinkOutcome::title() const {
  switch (status) {
    case LinkStatus::kCannotOpen:
    case LinkStatus::kCannotGetSettings:
    case LinkStatus::kCannotSetSettings:
      return messages::kNoTitle;
    default:
      return messages::kErrorTitle;
  }
}

}  // namespace quintrel

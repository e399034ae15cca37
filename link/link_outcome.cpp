#include "link/link_outcome.h"

#include "base/message_texts.h"

namespace quintrel {

const char16_t* LinkOutcome::message() const {
  switch (status) {
    case LinkStatus::kPortNotOpen:
      return messages::kPortNotOpen;
    case LinkStatus::kReplyTimeout:
      return messages::kReplyTimeout;
    case LinkStatus::kCheckByteWrong:
    case LinkStatus::kReplyTooLong:
      return messages::kReplyBccError;
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
  return nullptr;
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

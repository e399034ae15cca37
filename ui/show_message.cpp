#include "ui/show_message.h"

namespace quintrel {

MessageRequest& message_request() {
  static MessageRequest request;
  return request;
}

MessageIcon message_icon_for(std::int32_t icon_code) {
  switch (icon_code) {
    case kIconCodeSystemWarning:
      return MessageIcon::kSystemWarning;
    case kIconCodeSystemInformation:
      return MessageIcon::kSystemInformation;
    case kIconCodeSystemQuestion:
      return MessageIcon::kSystemQuestion;
    case kIconCodeSystemLogo:
      return MessageIcon::kSystemLogo;
    case kIconCodeSystemApplication:
      return MessageIcon::kSystemApplication;
    case kIconCodeWarningTriangle:
      return MessageIcon::kProgramWarningTriangle;
    case kIconCodeErrorDisc:
      return MessageIcon::kProgramErrorDisc;
    case kIconCodeExclamation:
      return MessageIcon::kProgramExclamation;
    default:
      return MessageIcon::kSystemError;
  }
}

int show_message(MessagePresenter& presenter, std::int32_t kind, OwnerWindow owner,
                 std::u16string_view text, std::u16string_view title) {
  MessageRequest& request = message_request();
  request.text = text;
  request.icon_code = kind >> 8;  // arithmetic shift: negative kinds keep their sign
  request.title = title;
  return presenter.present(owner, request);
}

}  // namespace quintrel

#include "base/show_message.h"

namespace quintrel {

namespace {
MessagePresenter* g_presenter = nullptr;
}  // namespace

MessageRequest& message_request() {
  static MessageRequest request;
  return request;
}

MessageIcon message_icon_for(std::int32_t icon_code) {
  switch (icon_code) {
    case 2:
      return MessageIcon::kSystemWarning;
    case 4:
      return MessageIcon::kSystemInformation;
    case 8:
      return MessageIcon::kSystemQuestion;
    case 16:
      return MessageIcon::kSystemLogo;
    case 32:
      return MessageIcon::kSystemApplication;
    case 256:
      return MessageIcon::kProgramWarningTriangle;
    case 512:
      return MessageIcon::kProgramErrorDisc;
    case 1024:
      return MessageIcon::kProgramExclamation;
    default:
      return MessageIcon::kSystemError;
  }
}

MessagePresenter* message_presenter() {
  return g_presenter;
}

void install_message_presenter(MessagePresenter* presenter) {
  g_presenter = presenter;
}

int show_message(std::int32_t kind, OwnerWindow owner, const char16_t* text,
                 const char16_t* title) {
  MessageRequest& request = message_request();
  request.text = text;
  request.icon_code = kind >> 8;  // arithmetic shift: negative kinds keep their sign
  request.title = title;
  if (g_presenter == nullptr) {
    return kMessageWindowFailed;
  }
  return g_presenter->present(owner, request);
}

}  // namespace quintrel

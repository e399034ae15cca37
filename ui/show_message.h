// The program's one way to show a message: a modal window with an icon, a text, a title and
// an OK button. The logic here picks the icon and keeps the request; drawing the window is the
// job of a MessagePresenter supplied by the toolkit layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quintrel {

// The window that owns a message (always the main dialog). Opaque to the portable code.
using OwnerWindow = void*;

// Icon codes, each naming the icon a message shows; any other code shows the system error icon.
inline constexpr std::int32_t kIconCodeSystemWarning = 2;
inline constexpr std::int32_t kIconCodeSystemInformation = 4;
inline constexpr std::int32_t kIconCodeSystemQuestion = 8;
inline constexpr std::int32_t kIconCodeSystemLogo = 16;
inline constexpr std::int32_t kIconCodeSystemApplication = 32;
inline constexpr std::int32_t kIconCodeWarningTriangle = 256;  // program icon 105
inline constexpr std::int32_t kIconCodeErrorDisc = 512;        // program icon 106
inline constexpr std::int32_t kIconCodeExclamation = 1024;     // program icon 107

// Kind words: the icon code shifted left by 8.
inline constexpr std::int32_t kKindError = 0;
inline constexpr std::int32_t kKindWarning = kIconCodeSystemWarning << 8;

// Results of show_message. OK is the number the window ends with when its OK button is pressed
// (the Windows dialog ends with the button's id).
inline constexpr int kMessageOk = 1006;
inline constexpr int kMessageDismissed = 2;
// What a presenter returns when it cannot create its window.
inline constexpr int kMessageWindowFailed = -1;

enum class MessageIcon {
  kSystemError,
  kSystemWarning,
  kSystemInformation,
  kSystemQuestion,
  kSystemLogo,
  kSystemApplication,
  kProgramWarningTriangle,  // program icon 105
  kProgramErrorDisc,        // program icon 106
  kProgramExclamation,      // program icon 107
};

// What the message window shows. Text and title are the request's own copies: a message may be
// built for the occasion (an outcome's message), and the window reads them again at every paint.
struct MessageRequest {
  std::u16string text;
  std::int32_t icon_code = 0;
  std::u16string title;
};

// The process-wide request that the message window reads.
MessageRequest& message_request();

// Maps an icon code to its icon; any code not in the table gives the system error icon.
MessageIcon message_icon_for(std::int32_t icon_code);

// Draws the message window for message_request() and returns kMessageOk, kMessageDismissed or
// kMessageWindowFailed.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual int present(OwnerWindow owner, const MessageRequest& request) = 0;
};

// Stores the request (icon code = kind >> 8) and runs the modal message window through the
// presenter the window was given.
int show_message(MessagePresenter& presenter, std::int32_t kind, OwnerWindow owner,
                 std::u16string_view text, std::u16string_view title);

}  // namespace quintrel

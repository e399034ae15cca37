// The program's own message window (dialog 108): the icon chosen by the request's icon code,
// drawn at 10,10 and 40 x 40 (96-DPI pixels), the text, the title and one OK button.
#pragma once

#include <windows.h>

#include "ui/dialog_layouts.h"
#include "ui/show_message.h"

namespace quintrel {

// Loads the icon for an icon code at size x size pixels: a system icon as a copy of the shared
// one, a program icon from the program's instance. Either way the caller owns it (DestroyIcon),
// never a shared handle; null on failure.
HICON load_message_icon(std::int32_t icon_code, int size);

INT_PTR CALLBACK message_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Runs dialog 108 modally, owned by the given window; 1006 for OK, 2 for Esc or the close box,
// the platform's failure result (-1) when the window cannot be created.
class Win32MessagePresenter final : public MessagePresenter {
 public:
  int present(OwnerWindow owner, const MessageRequest& request) override;
};

}  // namespace quintrel

#include "ui/win32/win32_message_dialog.h"

#include "ui/control_ids.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_instance.h"

namespace quintrel {

namespace {

static_assert(IDC_MESSAGE_OK == kMessageOkButton, "the OK button has the portable id");
static_assert(kMessageOk == kMessageOkButton, "OK ends the message with its own id");
static_assert(IDCANCEL == kMessageDismissed, "Esc and the close box end it with IDCANCEL");

const wchar_t* as_wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

HICON held_icon(HWND window) {
  return reinterpret_cast<HICON>(GetWindowLongPtrW(window, DWLP_USER));
}

void release_held_icon(HWND window) {
  if (const HICON icon = held_icon(window); icon != nullptr) {
    DestroyIcon(icon);
    SetWindowLongPtrW(window, DWLP_USER, 0);
  }
}

// Text and title are set whenever the window paints, and once before it is first shown, so that
// the template's placeholders are never seen, not even by a window that is not painted.
void show_request_texts(HWND window) {
  const MessageRequest& request = message_request();
  SetDlgItemTextW(window, IDC_MESSAGE_TEXT, as_wide(request.text.c_str()));
  SetWindowTextW(window, as_wide(request.title.c_str()));
}

void paint(HWND window) {
  PAINTSTRUCT paint{};
  BeginPaint(window, &paint);
  if (const HDC dc = GetDC(window); dc != nullptr) {
    const UINT dpi = window_dpi(window);
    const int at = scale_to_dpi(kMessageIconPosition, dpi);
    const int size = scale_to_dpi(kMessageIconSize, dpi);
    if (const HICON icon = held_icon(window); icon != nullptr) {
      DrawIconEx(dc, at, at, icon, size, size, 0, nullptr, DI_NORMAL);
    }
    ReleaseDC(window, dc);
  }
  show_request_texts(window);
  EndPaint(window, &paint);
}

}  // namespace

HICON load_message_icon(std::int32_t icon_code, int size) {
  HINSTANCE instance = nullptr;
  const wchar_t* name = IDI_HAND;
  switch (message_icon_for(icon_code)) {
    case MessageIcon::kSystemError:
      name = IDI_HAND;
      break;
    case MessageIcon::kSystemWarning:
      name = IDI_EXCLAMATION;
      break;
    case MessageIcon::kSystemInformation:
      name = IDI_ASTERISK;
      break;
    case MessageIcon::kSystemQuestion:
      name = IDI_QUESTION;
      break;
    case MessageIcon::kSystemLogo:
      name = IDI_WINLOGO;
      break;
    case MessageIcon::kSystemApplication:
      name = IDI_APPLICATION;
      break;
    case MessageIcon::kProgramWarningTriangle:
      instance = program_instance();
      name = MAKEINTRESOURCEW(IDI_WARNING_TRIANGLE);
      break;
    case MessageIcon::kProgramErrorDisc:
      instance = program_instance();
      name = MAKEINTRESOURCEW(IDI_ERROR_DISC);
      break;
    case MessageIcon::kProgramExclamation:
      instance = program_instance();
      name = MAKEINTRESOURCEW(IDI_EXCLAMATION_MARK);
      break;
  }
  if (instance == nullptr) {
    // A system icon. LoadImageW loads one with no instance only as a shared icon, which must
    // never be destroyed and comes in the size first asked for; the window draws, and destroys,
    // its own copy, made again from the icon's resource at the size it is drawn.
    const auto shared =
        static_cast<HICON>(LoadImageW(nullptr, name, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    if (shared == nullptr) {
      return nullptr;
    }
    if (const auto copy =
            static_cast<HICON>(CopyImage(shared, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE));
        copy != nullptr) {
      return copy;
    }
    // The resource could not be read again: the loaded image, stretched, is still an icon.
    return static_cast<HICON>(CopyImage(shared, IMAGE_ICON, size, size, 0));
  }
  // The program's own icons, loaded at the size they are drawn, so the best image of the icon is
  // used rather than its 32-pixel one stretched; not shared, so the window destroys it.
  return static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, size, size, 0));
}

INT_PTR CALLBACK message_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      const int size = scale_to_dpi(kMessageIconSize, window_dpi(window));
      const HICON icon = load_message_icon(message_request().icon_code, size);
      SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(icon));
      show_request_texts(window);
      return TRUE;  // the focus goes to the first tab stop, OK
    }
    case WM_PAINT:
      paint(window);
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id == IDC_MESSAGE_OK || id == IDCANCEL) {
        release_held_icon(window);
        EndDialog(window, id);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      release_held_icon(window);
      return FALSE;
    default:
      return FALSE;
  }
}

int Win32MessagePresenter::present(OwnerWindow owner, const MessageRequest&) {
  // The window reads message_request() itself, at creation and at every paint.
  return static_cast<int>(DialogBoxParamW(program_instance(), MAKEINTRESOURCEW(IDD_MESSAGE),
                                          static_cast<HWND>(owner), message_dialog_proc, 0));
}

}  // namespace quintrel

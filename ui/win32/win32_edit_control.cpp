#include "ui/win32/win32_edit_control.h"

#include <vector>

namespace quintrel {

namespace {

static_assert(sizeof(FieldWParam) == sizeof(WPARAM) && sizeof(FieldLParam) == sizeof(LPARAM) &&
                  sizeof(FieldResult) == sizeof(LRESULT),
              "window messages pass through unchanged");
static_assert(kWmChar == WM_CHAR && kWmKeyDown == WM_KEYDOWN && kWmPaste == WM_PASTE &&
                  kEmGetSel == EM_GETSEL && kEmSetSel == EM_SETSEL && kVkDelete == VK_DELETE,
              "the field's message numbers are the Windows ones");

LRESULT CALLBACK field_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return numeric_field_proc(window, message, wparam, lparam);
}

}  // namespace

std::u16string Win32EditControl::read_text(std::size_t max_chars) {
  std::vector<wchar_t> buffer(max_chars + 1, L'\0');
  const int length = GetWindowTextW(edit_, buffer.data(), static_cast<int>(buffer.size()));
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()),
                        static_cast<std::size_t>(length > 0 ? length : 0));
}

void Win32EditControl::write_text(std::u16string_view text) {
  const std::u16string terminated(text);
  SetWindowTextW(edit_, reinterpret_cast<const wchar_t*>(terminated.c_str()));
}

FieldSelection Win32EditControl::selection() {
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

void Win32EditControl::set_selection(FieldSelection selection) {
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(selection.start),
               static_cast<LPARAM>(selection.end));
}

FieldResult Win32EditControl::forward(FieldMessage message, FieldWParam wparam,
                                      FieldLParam lparam) {
  return CallWindowProcW(previous_procedure_, edit_, message, wparam, lparam);
}

void Win32EditControl::route_messages_to_field() {
  previous_procedure_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit_, GWLP_WNDPROC));
  SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(field_procedure));
}

std::u16string Win32EditControl::clipboard_text() {
  std::u16string text;
  if (!OpenClipboard(edit_)) {
    return text;
  }
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT); data != nullptr) {
    if (const auto* chars = static_cast<const char16_t*>(GlobalLock(data)); chars != nullptr) {
      // The clipboard's text is terminated, but never trust it past its block.
      const std::size_t units = GlobalSize(data) / sizeof(char16_t);
      for (std::size_t at = 0; at < units && chars[at] != u'\0'; ++at) {
        text.push_back(chars[at]);
      }
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool Win32EditControl::shift_held() {
  return GetKeyState(VK_SHIFT) < 0;
}

}  // namespace quintrel

#include "ui/win32/win32_main_dialog.h"

#include <string>
#include <vector>

#include "ui/control_ids.h"
#include "ui/main_dialog.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_edit_control.h"

namespace quintrel {

namespace {

static_assert(IDC_PORT_BOX == kPortBox && IDC_COM_OPEN == kComOpenButton &&
                  IDC_COM_CLOSE == kComCloseButton && IDC_SEARCH_AGAIN == kSearchAgainButton &&
                  IDC_ID_LABEL == kIdLabel && IDC_SAVE_SETTINGS == kSaveSettingsButton &&
                  IDC_BITRATE_LIST == kBitrateList && IDC_READING == kReadingButton &&
                  IDC_BUZZ_OFF == kBuzzOffButton && IDC_ID_FIELD == kIdField,
              "the templates' control ids are the logic's");

std::wstring wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

class Win32MainView final : public MainView {
 public:
  explicit Win32MainView(HWND dialog)
      : dialog_(dialog), identifier_(GetDlgItem(dialog, IDC_ID_FIELD)) {}

  OwnerWindow owner() override { return dialog_; }

  std::u16string port_box_text(std::size_t max_chars) override {
    std::vector<wchar_t> buffer(max_chars + 1, L'\0');
    const UINT length =
        GetDlgItemTextW(dialog_, IDC_PORT_BOX, buffer.data(), static_cast<int>(buffer.size()));
    return std::u16string(buffer.begin(), buffer.begin() + length);
  }

  void enable_control(int control_id, bool enabled) override {
    EnableWindow(GetDlgItem(dialog_, control_id), enabled ? TRUE : FALSE);
  }

  void set_title(std::u16string_view title) override {
    // The title is made of 8-bit characters; they are widened through the thread's ANSI code
    // page, as every 8-bit text the program shows.
    const std::string narrow(title.begin(), title.end());
    const int units = MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(),
                                          static_cast<int>(narrow.size()), nullptr, 0);
    std::wstring widened(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                        widened.data(), units);
    SetWindowTextW(dialog_, widened.c_str());
  }

  int combo_count(int control_id) override {
    return static_cast<int>(SendDlgItemMessageW(dialog_, control_id, CB_GETCOUNT, 0, 0));
  }

  void combo_delete(int control_id, int index) override {
    SendDlgItemMessageW(dialog_, control_id, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  }

  void combo_add(int control_id, std::u16string_view text) override {
    const std::wstring entry = wide(text);
    SendDlgItemMessageW(dialog_, control_id, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(entry.c_str()));
  }

  void combo_select(int control_id, int index) override {
    SendDlgItemMessageW(dialog_, control_id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }

  int combo_selection(int control_id) override {
    return static_cast<int>(SendDlgItemMessageW(dialog_, control_id, CB_GETCURSEL, 0, 0));
  }

  EditControl& identifier_edit() override { return identifier_; }

  void destroy_window() override { DestroyWindow(dialog_); }

  void post_quit(int exit_code) override { PostQuitMessage(exit_code); }

 private:
  HWND dialog_;
  Win32EditControl identifier_;
};

// The window's view and logic, created with the window and released with it.
struct MainWindowState {
  MainWindowState(HWND dialog, const DialogServices& services)
      : view(dialog), logic(view, services) {}
  Win32MainView view;
  MainDialog logic;
};

MainWindowState* state_of(HWND window) {
  return reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, DWLP_USER));
}

}  // namespace

INT_PTR CALLBACK main_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    // lparam is DialogBoxParamW's init parameter: the program's DialogServices.
    auto* state = new MainWindowState(window, *reinterpret_cast<const DialogServices*>(lparam));
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    state->logic.on_init();
    return TRUE;  // handled: the dialog manager puts the focus on the first tab stop, the port box
  }
  MainWindowState* state = state_of(window);
  if (state == nullptr) {
    return FALSE;
  }
  switch (message) {
    case WM_COMMAND:
      state->logic.on_command(LOWORD(wparam));
      return FALSE;
    case WM_CLOSE:
      state->logic.on_close();
      return TRUE;
    case WM_DESTROY:
      state->logic.on_destroy();
      return TRUE;
    case WM_NCDESTROY:
      // The controls, the identifier field among them, are gone by now.
      SetWindowLongPtrW(window, DWLP_USER, 0);
      delete state;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace quintrel

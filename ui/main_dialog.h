// The main window's logic: start-up, what each button runs, closing, and the enabling rules. Every
// toolkit layer (the Win32 dialog, the Qt window) implements MainView and calls the four on_*
// entries from its window events; all decisions are made here.
//
// The bitrate list (1008) must be a list whose text cannot be typed (Win32: CBS_DROPDOWNLIST), so
// it always shows one of its five entries; with no entry selected the logic still writes '0'.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/can_identifier.h"
#include "device/setting_commands.h"
#include "link/clock.h"
#include "link/serial_link.h"
#include "link/serial_port.h"
#include "ports/port_list.h"
#include "ui/numeric_field.h"
#include "ui/show_message.h"

namespace quintrel {

// What the main dialog needs of its window.
class MainView {
 public:
  virtual ~MainView() = default;
  // The owner of every message the dialog shows.
  virtual OwnerWindow owner() = 0;
  // The port box's current text (control 1001), at most max_chars UTF-16 units.
  virtual std::u16string port_box_text(std::size_t max_chars) = 0;
  virtual void enable_control(int control_id, bool enabled) = 0;  // Win32: EnableWindow
  virtual void set_title(std::u16string_view title) = 0;          // Win32: SetWindowTextW
  // Combo boxes by control id (the port box 1001 and the bitrate list 1008). Entries stay in the
  // order they were added; indexes count from 0.
  virtual int combo_count(int control_id) = 0;                           // CB_GETCOUNT
  virtual void combo_delete(int control_id, int index) = 0;              // CB_DELETESTRING
  virtual void combo_add(int control_id, std::u16string_view text) = 0;  // CB_ADDSTRING
  virtual void combo_select(int control_id, int index) = 0;              // CB_SETCURSEL
  virtual int combo_selection(int control_id) = 0;  // CB_GETCURSEL: -1 when none is selected
  // The identifier edit (1012), installed as a numeric field at start-up.
  virtual EditControl& identifier_edit() = 0;
  // Destroys the window; the toolkit then delivers on_destroy (Win32: DestroyWindow).
  virtual void destroy_window() = 0;
  // Ends the program's message loop with the exit code (Win32: PostQuitMessage).
  virtual void post_quit(int exit_code) = 0;
};

// "Quintrel", three blanks, "2.0".
inline constexpr char16_t kMainDialogTitle[] = u"Quintrel   2.0";

// What the dialog works with besides its window: the platform's serial backend and clock (its
// link's), its port scanner (null: the port box holds only the fixed names) and what shows its
// messages. Each must outlive the dialog.
struct DialogServices {
  SerialBackend& serial_backend;
  PortScanner* port_scanner;
  Clock& clock;
  MessagePresenter& presenter;
};

class MainDialog final : private SettingsReceiver {
 public:
  MainDialog(MainView& view, const DialogServices& services)
      : view_(view),
        port_scanner_(services.port_scanner),
        presenter_(services.presenter),
        link_(services.serial_backend, services.clock) {}

  // Window set-up (Win32: WM_INITDIALOG, which then reports handled so the default focus goes to
  // the port box). Sends nothing to the device and opens no port.
  void on_init();
  // A command by control id (Win32: WM_COMMAND, the low 16 bits of wParam; the handler reports
  // not handled). Ids other than the six buttons are ignored, Esc (2) and Enter (1) included.
  void on_command(int control_id);
  // The window is being closed (Win32: WM_CLOSE, reported handled): closes the port, then
  // destroys the window.
  void on_close();
  // The window is gone (Win32: WM_DESTROY, reported handled): asks for the quit with code 0.
  void on_destroy();

  // The dialog's connection, for a window layer or a test that looks at it.
  const SerialLink& link() const { return link_; }

 private:
  void apply_bitrate(BitrateCode code) override;
  void apply_identifier(std::uint32_t identifier) override;

  void open_port();
  void close_port();
  void read();
  void fill_ports();
  void save();
  // Shows a failure's message (an empty reply shows none) and tells whether the outcome was ok.
  bool shown_ok(const LinkOutcome& outcome);

  MainView& view_;
  PortScanner* port_scanner_;
  MessagePresenter& presenter_;
  SerialLink link_;
};

}  // namespace quintrel

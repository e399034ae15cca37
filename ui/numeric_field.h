// A filtered numeric edit field: an edit control whose messages go through numeric_field_proc,
// which lets only digits of the field's radix in, upper-cases a-f, keeps the value typed at or
// below a maximum, never lets the digits become empty and keeps the caret inside them. The main
// dialog's identifier field (hexadecimal, maximum 0x7FF) is the one field of the program.
//
// The decision logic needs only the EditControl seam below; a toolkit layer implements it for its
// edit widget and routes the widget's messages (ui/window_message_ids.h numbers) to
// numeric_field_proc.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/window_message_ids.h"

namespace quintrel {

// The edit control's handle as the toolkit knows it (an HWND on Windows); the key of the field
// table. Opaque to the portable code; null is never a field.
using FieldWindow = void*;

// Character positions; start == end is a plain caret.
struct FieldSelection {
  int start = 0;
  int end = 0;
  bool operator==(const FieldSelection&) const = default;
};

// What the field needs of its edit control. Every call happens on the window thread, from
// install_numeric_field, the set/get operations or inside numeric_field_proc. Messages that
// read_text, write_text, selection and set_selection send to the control (as Win32 does) may come
// back through numeric_field_proc: they are passed straight to forward.
class EditControl {
 public:
  virtual ~EditControl() = default;
  // The handle numeric_field_proc is called with for this control.
  virtual FieldWindow window() = 0;
  // The control's text, at most max_chars UTF-16 units (Win32: GetWindowTextW, max_chars + 1).
  virtual std::u16string read_text(std::size_t max_chars) = 0;
  // Replaces the whole text (Win32: SetWindowTextW).
  virtual void write_text(std::u16string_view text) = 0;
  virtual FieldSelection selection() = 0;                    // Win32: EM_GETSEL
  virtual void set_selection(FieldSelection selection) = 0;  // Win32: EM_SETSEL
  // The control's own handling of a message (Win32: CallWindowProcW with the procedure the control
  // had before route_messages_to_field), and its result. Called only from inside
  // numeric_field_proc, with the message being handled; for a character message the wParam may
  // be the upper-cased character.
  virtual FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) = 0;
  // From now on every message of the control goes to numeric_field_proc first, and forward
  // reaches the handling it had before (Win32: SetWindowLongPtrW with GWLP_WNDPROC).
  virtual void route_messages_to_field() = 0;
  // The clipboard's text; empty when it holds none (Win32: CF_UNICODETEXT).
  virtual std::u16string clipboard_text() = 0;
  // Whether Shift is held during the key message being handled (Win32: GetKeyState(VK_SHIFT) <
  // 0). Only Shift+Insert, which the control would paste by itself, depends on it.
  virtual bool shift_held() = 0;
};

// How many controls a process can make numeric fields in its life (a slot once taken stays
// taken). The program installs one field per main window and has one main window, so 100 is ample,
// and the table stays a fixed array that nothing has to grow or free.
inline constexpr std::size_t kNumericFieldSlots = 100;
// The field reads at most this many characters of the control's text: the longest value it shows,
// a signed decimal one ("-2147483648", 11; a hexadecimal one takes at most 8), with room for a
// suffix of up to 7 characters. A longer text holds no value the field could have put there.
inline constexpr std::size_t kFieldTextMax = 18;

struct NumericFieldSlot {
  std::u16string suffix;           // shown after the digits; typing stays in front of it
  EditControl* control = nullptr;  // the control, and through forward its previous handling
  FieldWindow window = nullptr;
  std::uint32_t maximum = 0;     // the largest value typing or pasting may produce
  std::int32_t radix = 16;       // 16: hexadecimal; any other value: decimal
  bool in_control_call = false;  // the field is reading or writing the control itself
};

// 100 slots and their keys; a null key marks a free slot. Searched from index 0; a slot once
// taken stays taken, but forgets its control when the control is destroyed.
struct NumericFieldTable {
  std::array<FieldWindow, kNumericFieldSlots> keys{};
  std::array<NumericFieldSlot, kNumericFieldSlots> slots;
};

// The process-wide table (tests reset it by assigning a fresh NumericFieldTable).
NumericFieldTable& numeric_field_table();

// Makes the control a numeric field: takes the first free slot (or the control's own slot when its
// window is installed already, since a toolkit may hand a destroyed window's handle to a new
// control), stores suffix, radix and maximum, shows initial_text followed by the suffix and routes
// the control's messages to numeric_field_proc. Returns the slot index, or -1 when all slots are
// taken; the control is then left untouched. The control must outlive its use by the field.
int install_numeric_field(EditControl& control, std::u16string_view initial_text,
                          std::u16string_view suffix, std::int32_t radix, std::uint32_t maximum);

// Shows the value ("%X" in a hexadecimal field, the signed decimal value otherwise) followed by
// the suffix. The value is shown as given, even above the maximum.
void set_field_value(FieldWindow window, std::uint32_t value);

// The digits: the control's text (at most 18 characters) up to the suffix. Empty for a window
// that is not a field.
std::u16string get_field_text(FieldWindow window);

// The control of a field is being destroyed: its slot forgets it (the key stays taken), so the
// table holds no pointer to a destroyed control, and a new control that gets the same handle is
// routed to the field again when it is installed. numeric_field_proc does this at kWmNcDestroy; a
// toolkit whose controls get no such message calls it as its control goes.
void forget_field_control(FieldWindow window);

// The field's window procedure. A message the field does not consume is forwarded to the
// control's own handling and its result returned; a consumed message returns 0, as does any
// message for a window that is not a field. kWmNcDestroy, the control's last message, is
// forwarded and then forgets the control.
FieldResult numeric_field_proc(FieldWindow window, FieldMessage message, FieldWParam wparam,
                               FieldLParam lparam);

}  // namespace quintrel

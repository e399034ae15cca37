// A single-line Windows edit control as far as the numeric field can tell: the control behind the
// browser page's identifier field (which shows its text and selection), the unit tests and the
// fuzz harness. Its forward() does what the control does with each message the field
// passes on, as Microsoft documents it where it does:
// - WM_GETTEXT copies at most wParam - 1 characters and a NUL into the buffer at lParam and
//   returns how many it copied (nothing for a wParam of 0); WM_SETTEXT takes a NUL-terminated
//   text, puts the caret at 0 and clears the undo buffer.
// - EM_SETSEL: wParam is the anchor, lParam the active end where the caret shows; a start of -1
//   removes the selection (the caret stays), a position past the text (-1 included) is its end.
//   EM_GETSEL gives the lower and the higher position.
// - WM_UNDO and EM_UNDO swap the text with the one before the last change (an undo can be undone)
//   and select all of it; a single-line control answers TRUE even with nothing to undo.
// - WM_CHAR inserts characters from 0x20 on (0x7F too, which Windows shows as a box) and deletes
//   with Backspace; other control characters insert nothing.
// - Delete removes the selection, or the character after the caret (Ctrl: all after it); with
//   Shift the removed text goes to the clipboard, as a cut. Shift+Insert pastes, Ctrl+Insert
//   copies. Left, Right, Home and End move the caret from the active end; with Shift they move
//   only the active end.
// - A click puts the caret before the character whose index is the click's x (one unit per
//   character); a double click selects the word under the pointer.
// Once routed, the control's own reads and writes (read_text, write_text, selection,
// set_selection) go through numeric_field_proc as WM_GETTEXT, WM_SETTEXT, EM_GETSEL and
// EM_SETSEL, as on Windows; a field that keeps sending them to itself is reported.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ui/numeric_field.h"

namespace quintrel::test {

inline constexpr FieldMessage kEmUndo = 0x00C7;

class EmulatedEdit : public EditControl {
 public:
  FieldWindow window() override { return this; }
  std::u16string read_text(std::size_t max_chars) override;
  void write_text(std::u16string_view new_text) override;
  FieldSelection selection() override;
  void set_selection(FieldSelection range) override;
  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) override;
  void route_messages_to_field() override { routed_ = true; }
  std::u16string clipboard_text() override { return clipboard; }
  bool shift_held() override { return shift; }

  // The selection as the user sees it, lower position first.
  FieldSelection selected() const;

  // The control's own state; a test may set it directly, past the field.
  std::u16string text;
  int anchor = 0;
  int caret = 0;                            // the active end
  std::optional<std::u16string> undo_text;  // what an undo brings back
  std::u16string clipboard;
  std::u16string ime_result;  // what a WM_IME_COMPOSITION inserts
  bool shift = false;
  bool ctrl = false;

 protected:
  // The field sent one of the control's own requests back to itself more than once in a row.
  virtual void report_runaway(FieldMessage message) = 0;

 private:
  // Sends one of the control's own requests the way Windows does: through the field once routed.
  FieldResult request(FieldMessage message, FieldWParam wparam, FieldLParam lparam);
  FieldResult copy_text(std::size_t room, char16_t* buffer) const;
  void select(int new_anchor, int new_caret);
  void replace_selection(std::u16string_view with);
  std::u16string selected_text() const;
  void type(FieldWParam character);
  void key_down(FieldWParam key);
  void select_word(int at);
  // EM_GETSEL: the range through the two out-pointers (when given) and packed in the result.
  FieldResult get_selection(FieldWParam wparam, FieldLParam lparam) const;
  // EM_SETSEL: -1 as start keeps the caret where it is; a negative end means the end of text.
  void set_selection(std::int32_t start, std::int32_t end);

  bool routed_ = false;
  int depth_ = 0;
};

}  // namespace quintrel::test

// An edit control for the numeric field's tests. Its forward() does what a Windows edit control
// does with the messages the tests send (insert a character at the caret, Backspace, Delete and
// Ctrl+Delete, paste, cut, undo, input-method text), so a message the field wrongly lets through
// shows in the text. Once routed, reading and writing its text and selection go through
// numeric_field_proc as WM_GETTEXT, WM_SETTEXT, EM_GETSEL and EM_SETSEL, as on Windows; a field
// that keeps re-entering itself that way fails the test.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/numeric_field.h"

namespace quintrel::test {

class FakeEdit final : public EditControl {
 public:
  FieldWindow window() override { return this; }
  std::u16string read_text(std::size_t max_chars) override;
  void write_text(std::u16string_view new_text) override;
  FieldSelection selection() override;
  void set_selection(FieldSelection selection) override;
  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) override;
  void route_messages_to_field() override {
    ++routings;
    if (log != nullptr) {
      log->push_back("routed");
    }
  }
  std::u16string clipboard_text() override { return clipboard; }
  bool shift_held() override { return shift; }

  // Puts text and selection in place as the control's own state, past the field.
  std::u16string text;
  FieldSelection selected;
  std::optional<std::u16string> undo_text;  // what WM_UNDO brings back
  std::u16string clipboard;
  std::u16string ime_result;  // what a WM_IME_COMPOSITION inserts
  bool shift = false;
  bool ctrl = false;
  int routings = 0;
  std::vector<FieldMessage> forwarded;      // every forwarded message but the text writes
  std::vector<std::string>* log = nullptr;  // "text <t>" and "routed", when set

 private:
  void replace_selection(std::u16string_view with);
  void select_directly(FieldSelection selection);
  // Sends one of the control's own requests the way Windows does: through the field once routed.
  FieldResult request(FieldMessage message, FieldWParam wparam, FieldLParam lparam);

  int depth_ = 0;
};

}  // namespace quintrel::test

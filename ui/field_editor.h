// One numeric field at work on its control: the field's own calls into the control (which pass
// straight through numeric_field_proc when a toolkit sends them back), and the handling of the
// messages numeric_field_proc gives it. Made afresh for each call; the slot holds the state.
//
// field_editor.cpp: the control calls and the guard on changes the control makes by itself;
// field_input.cpp: what each message does (focus, clicks, keys, characters, paste).
#pragma once

#include <string>
#include <string_view>

#include "ui/field_rules.h"
#include "ui/numeric_field.h"

namespace quintrel {

class FieldEditor {
 public:
  explicit FieldEditor(NumericFieldSlot& slot)
      : slot_(slot), control_(*slot.control), rules_(slot) {}

  // The control's text as the field reads it (at most kFieldTextMax characters).
  std::u16string text() { return read(kFieldTextMax); }
  std::u16string digits() { return rules_.digits(text()); }
  // Shows digits followed by the suffix, unchecked.
  void show(std::u16string_view digits);

  // A message for the field's window; returns what the window procedure returns.
  FieldResult handle(FieldMessage message, FieldWParam wparam, FieldLParam lparam);

 private:
  struct Snapshot {
    std::u16string text;
    FieldSelection selection;
  };

  // The field's own calls into the control. A toolkit may send them back to numeric_field_proc
  // (Win32 sends WM_GETTEXT, WM_SETTEXT, EM_GETSEL and EM_SETSEL to the control); they then pass
  // straight on, so reading never recurses and a value read from the device is never refused.
  std::u16string read(std::size_t max_chars);
  void write(std::u16string_view text);
  FieldSelection selection();
  void select(FieldSelection range);

  void caret_to_end();
  void reset();
  bool has_selection();
  void keep_caret_in_digits();
  Snapshot snapshot();
  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam);
  FieldResult forward_from(const Snapshot& before, FieldMessage message, FieldWParam wparam,
                           FieldLParam lparam);
  void guard_change(const Snapshot& before);

  FieldResult key_down(FieldWParam key, FieldLParam lparam);
  FieldResult delete_key(FieldLParam lparam);
  void zero_single_digit(std::u16string current);
  FieldResult character(FieldMessage message, FieldWParam wparam, FieldLParam lparam);
  FieldResult type_digit(FieldMessage message, char16_t c, FieldLParam lparam);
  FieldResult backspace(FieldMessage message, FieldLParam lparam);
  void paste();

  NumericFieldSlot& slot_;
  EditControl& control_;
  FieldRules rules_;
};

}  // namespace quintrel

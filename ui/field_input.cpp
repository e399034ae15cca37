// What each message does to a numeric field: focus and clicks place the selection, keys and
// characters are filtered, a paste is taken whole or not at all.
#include <algorithm>

#include "base/ascii_text.h"
#include "ui/field_editor.h"

namespace quintrel {

FieldResult FieldEditor::handle(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  switch (message) {
    case kWmSetFocus:
    case kWmLButtonDblClk:
      select({0, rules_.digit_length(text())});
      return forward(message, wparam, lparam);
    case kWmLButtonDown:
    case kWmLButtonUp:
      keep_caret_in_digits();
      return forward(message, wparam, lparam);
    case kWmKeyDown:
      return key_down(wparam, lparam);
    case kWmChar:
    case kWmImeChar:
      return character(message, wparam, lparam);
    case kWmPaste:
      paste();
      return 0;
    case kWmDestroy:
    case kWmNcDestroy:
      return control_.forward(message, wparam, lparam);  // nothing left to guard
    default:
      return forward(message, wparam, lparam);
  }
}

FieldResult FieldEditor::key_down(FieldWParam key, FieldLParam lparam) {
  switch (key) {
    case kVkHome:
    case kVkEnd:
      return 0;
    case kVkUp:
    case kVkDown:
      caret_to_end();
      return 0;
    case kVkRight: {
      const FieldSelection range = selection();
      if (range.start == range.end && range.start >= rules_.digit_length(text())) {
        return 0;
      }
      return forward(kWmKeyDown, key, lparam);
    }
    case kVkDelete:
      return delete_key(lparam);
    case kVkInsert:
      // The control pastes on Shift+Insert by itself, without a WM_PASTE.
      if (control_.shift_held()) {
        paste();
        return 0;
      }
      return forward(kWmKeyDown, key, lparam);
    default:
      return forward(kWmKeyDown, key, lparam);
  }
}

FieldResult FieldEditor::delete_key(FieldLParam lparam) {
  if (has_selection()) {
    reset();
    return 0;
  }
  const std::u16string current = text();
  const int n = rules_.digit_length(current);
  if (selection().start >= n) {
    return 0;
  }
  if (n != 1) {
    return forward(kWmKeyDown, kVkDelete, lparam);
  }
  zero_single_digit(current);
  return 0;
}

// The last digit becomes "0" instead of going away.
void FieldEditor::zero_single_digit(std::u16string current) {
  if (current.empty() || current[0] == u'0') {
    return;
  }
  current[0] = u'0';
  write(current);
  caret_to_end();
}

FieldResult FieldEditor::character(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  // Anything beyond one UTF-16 unit is no digit; it counts as any other character.
  const char16_t c = wparam <= 0xFFFF ? ascii_upper(static_cast<char16_t>(wparam)) : u'\0';
  if (rules_.is_digit(c)) {
    return type_digit(message, c, lparam);
  }
  if (c == kCharBackspace) {
    return backspace(message, lparam);
  }
  if (has_selection()) {
    caret_to_end();
  }
  return 0;
}

FieldResult FieldEditor::type_digit(FieldMessage message, char16_t c, FieldLParam lparam) {
  if (has_selection()) {
    reset();  // stands even when the digit is refused below
  }
  const Snapshot before = snapshot();
  const std::u16string current = text();
  const bool placeholder = !current.empty() && current[0] == u'0';
  // The digits exactly as they will stand: a leading "0" gives way to the digit, otherwise the
  // control inserts it at the caret.
  std::u16string candidate(1, c);
  if (!placeholder) {
    candidate = rules_.digits(current);
    const int caret = std::clamp(selection().start, 0, static_cast<int>(candidate.size()));
    candidate.insert(static_cast<std::size_t>(caret), 1, c);
  }
  if (!rules_.may_hold(candidate)) {
    return 0;
  }
  if (placeholder) {
    show(u"");
    select({0, 0});
  }
  return forward_from(before, message, c, lparam);
}

FieldResult FieldEditor::backspace(FieldMessage message, FieldLParam lparam) {
  if (has_selection()) {
    reset();
    return 0;
  }
  const std::u16string current = text();
  if (rules_.digit_length(current) != 1) {
    return forward(message, kCharBackspace, lparam);
  }
  zero_single_digit(current);
  return 0;
}

// All or nothing: what the clipboard offers replaces the digits when it is a number the field may
// hold.
void FieldEditor::paste() {
  const std::u16string pasted = rules_.pasted(control_.clipboard_text());
  if (!rules_.may_hold(pasted)) {
    return;
  }
  show(pasted);
  caret_to_end();
}

}  // namespace quintrel

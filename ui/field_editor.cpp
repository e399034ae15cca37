#include "ui/field_editor.h"

namespace quintrel {

namespace {

// Marks the slot as inside one of its own control calls for the call's length.
class QuietCall {
 public:
  explicit QuietCall(NumericFieldSlot& slot) : slot_(slot), was_(slot.in_control_call) {
    slot_.in_control_call = true;
  }
  ~QuietCall() { slot_.in_control_call = was_; }
  QuietCall(const QuietCall&) = delete;
  QuietCall& operator=(const QuietCall&) = delete;

 private:
  NumericFieldSlot& slot_;
  bool was_;
};

}  // namespace

std::u16string FieldEditor::read(std::size_t max_chars) {
  const QuietCall quiet(slot_);
  return control_.read_text(max_chars);
}

void FieldEditor::write(std::u16string_view text) {
  const QuietCall quiet(slot_);
  control_.write_text(text);
}

FieldSelection FieldEditor::selection() {
  const QuietCall quiet(slot_);
  return control_.selection();
}

void FieldEditor::select(FieldSelection range) {
  const QuietCall quiet(slot_);
  control_.set_selection(range);
}

void FieldEditor::show(std::u16string_view digits) {
  std::u16string text(digits);
  text += slot_.suffix;
  write(text);
}

void FieldEditor::caret_to_end() {
  const int n = rules_.digit_length(text());
  select({n, n});
}

void FieldEditor::reset() {
  show(u"0");
  caret_to_end();
}

bool FieldEditor::has_selection() {
  const FieldSelection range = selection();
  return range.start != range.end;
}

void FieldEditor::keep_caret_in_digits() {
  const FieldSelection range = selection();
  const int n = rules_.digit_length(text());
  if (range.start == range.end && range.start >= n) {
    select({n, n});
  }
}

// One character more than the field reads, so that an overlong text shows as a change.
FieldEditor::Snapshot FieldEditor::snapshot() {
  return {read(kFieldTextMax + 1), selection()};
}

FieldResult FieldEditor::forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  const Snapshot before = snapshot();
  return forward_from(before, message, wparam, lparam);
}

// Hands the message to the control, then checks what it did to the text: undo, cut, input-method
// text and the like must not leave the digits empty or invalid.
FieldResult FieldEditor::forward_from(const Snapshot& before, FieldMessage message,
                                      FieldWParam wparam, FieldLParam lparam) {
  const FieldResult result = control_.forward(message, wparam, lparam);
  guard_change(before);
  return result;
}

void FieldEditor::guard_change(const Snapshot& before) {
  const std::u16string after = read(kFieldTextMax + 1);
  if (after == before.text) {
    return;
  }
  const std::u16string now = rules_.digits(after);
  if (after.size() <= kFieldTextMax && now.empty()) {
    show(u"0");
    select({1, 1});
    return;
  }
  if (after.size() <= kFieldTextMax && after == now + slot_.suffix &&
      rules_.acceptable_change(now, rules_.digits(before.text))) {
    if (FieldRules::upper_cased(now) != now) {
      const FieldSelection kept = selection();
      show(FieldRules::upper_cased(now));
      select(kept);
    }
    return;
  }
  write(before.text);
  select(before.selection);
}

}  // namespace quintrel

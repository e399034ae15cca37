#include "ui/numeric_field.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "base/ascii_text.h"
#include "device/token_parser.h"

namespace quintrel {

namespace {

NumericFieldSlot* find_slot(FieldWindow window) {
  if (window == nullptr) {
    return nullptr;
  }
  NumericFieldTable& table = numeric_field_table();
  for (std::size_t index = 0; index < kNumericFieldSlots; ++index) {
    if (table.keys[index] == window) {
      return &table.slots[index];
    }
  }
  return nullptr;
}

bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string upper_cased(std::u16string text) {
  std::transform(text.begin(), text.end(), text.begin(), ascii_upper<char16_t>);
  return text;
}

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

class Field {
 public:
  explicit Field(NumericFieldSlot& slot) : slot_(slot), control_(*slot.control) {}

  std::u16string text() { return read(kFieldTextMax); }

  // n: the text's length less the suffix's (never below 0).
  int digit_length(const std::u16string& text) const {
    const auto n = static_cast<int>(text.size()) - static_cast<int>(slot_.suffix.size());
    return std::max(n, 0);
  }

  // D: the text before the first occurrence of the suffix (empty when the suffix is missing).
  std::u16string digits(const std::u16string& text) const {
    if (slot_.suffix.empty()) {
      return text;
    }
    const std::size_t at = text.find(slot_.suffix);
    return at == std::u16string::npos ? std::u16string() : text.substr(0, at);
  }

  bool is_digit(char16_t c) const {
    const bool decimal = c >= u'0' && c <= u'9';
    return slot_.radix == 16 ? decimal || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')
                             : decimal;
  }

  // The value of text made only of digits of the field's radix, as the text-to-number conversion
  // reads it (saturated at 0xFFFFFFFF); nullopt for empty text or any other character.
  std::optional<std::uint32_t> value_of(std::u16string_view text) const {
    if (text.empty()) {
      return std::nullopt;
    }
    std::string narrow;
    for (const char16_t c : text) {
      if (!is_digit(c)) {
        return std::nullopt;
      }
      narrow.push_back(static_cast<char>(c));
    }
    return text_to_u32(narrow, slot_.radix == 16 ? 16u : 10u);
  }

  // Whether digits may become the field's digits by typing or pasting: a number of the radix
  // that fits a signed 32-bit integer, at most the maximum, and short enough to be read back
  // whole with the suffix.
  bool may_hold(std::u16string_view text) const {
    const std::optional<std::uint32_t> value = value_of(text);
    return value &&
           *value <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) &&
           *value <= slot_.maximum && text.size() + slot_.suffix.size() <= kFieldTextMax;
  }

  // The field's own calls into the control. A toolkit may send them back to numeric_field_proc
  // (Win32 sends WM_GETTEXT, WM_SETTEXT, EM_GETSEL and EM_SETSEL to the control); they then pass
  // straight on, so reading never recurses and a value read from the device is never refused.
  std::u16string read(std::size_t max_chars) {
    const QuietCall quiet(slot_);
    return control_.read_text(max_chars);
  }
  void write(std::u16string_view text) {
    const QuietCall quiet(slot_);
    control_.write_text(text);
  }
  FieldSelection selection() {
    const QuietCall quiet(slot_);
    return control_.selection();
  }
  void select(FieldSelection range) {
    const QuietCall quiet(slot_);
    control_.set_selection(range);
  }

  void show(std::u16string_view digits) {
    std::u16string text(digits);
    text += slot_.suffix;
    write(text);
  }

  void caret_to_end() {
    const int n = digit_length(text());
    select({n, n});
  }

  void reset() {
    show(u"0");
    caret_to_end();
  }

  bool has_selection() {
    const FieldSelection range = selection();
    return range.start != range.end;
  }

  FieldResult handle(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
    switch (message) {
      case kWmSetFocus:
      case kWmLButtonDblClk:
        select({0, digit_length(text())});
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

 private:
  struct Snapshot {
    std::u16string text;
    FieldSelection selection;
  };

  // One character more than the field reads, so that an overlong text shows as a change.
  Snapshot snapshot() { return {read(kFieldTextMax + 1), selection()}; }

  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
    const Snapshot before = snapshot();
    return forward_from(before, message, wparam, lparam);
  }

  // Hands the message to the control, then checks what it did to the text: undo, cut, input-method
  // text and the like must not leave the digits empty or invalid.
  FieldResult forward_from(const Snapshot& before, FieldMessage message, FieldWParam wparam,
                           FieldLParam lparam) {
    const FieldResult result = control_.forward(message, wparam, lparam);
    guard_change(before);
    return result;
  }

  void guard_change(const Snapshot& before) {
    const std::u16string after = read(kFieldTextMax + 1);
    if (after == before.text) {
      return;
    }
    const std::u16string now = digits(after);
    if (after.size() <= kFieldTextMax && now.empty()) {
      show(u"0");
      select({1, 1});
      return;
    }
    if (after.size() <= kFieldTextMax && after == now + slot_.suffix &&
        acceptable_change(now, digits(before.text))) {
      if (upper_cased(now) != now) {
        const FieldSelection kept = selection();
        show(upper_cased(now));
        select(kept);
      }
      return;
    }
    write(before.text);
    select(before.selection);
  }

  // Digits the field may hold, or a number no larger than a value shown above the maximum (so that
  // Backspace still works on whatever the device reported). The values saturate at 0xFFFFFFFF, so
  // more digits than before never count as "no larger".
  bool acceptable_change(std::u16string_view now, std::u16string_view previous) const {
    if (may_hold(now)) {
      return true;
    }
    const std::optional<std::uint32_t> value = value_of(now);
    const std::optional<std::uint32_t> previous_value = value_of(previous);
    return value && previous_value && now.size() <= previous.size() && *value <= *previous_value;
  }

  void keep_caret_in_digits() {
    const FieldSelection range = selection();
    const int n = digit_length(text());
    if (range.start == range.end && range.start >= n) {
      select({n, n});
    }
  }

  FieldResult key_down(FieldWParam key, FieldLParam lparam) {
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
        if (range.start == range.end && range.start >= digit_length(text())) {
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

  FieldResult delete_key(FieldLParam lparam) {
    if (has_selection()) {
      reset();
      return 0;
    }
    const std::u16string current = text();
    const int n = digit_length(current);
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
  void zero_single_digit(std::u16string current) {
    if (current.empty() || current[0] == u'0') {
      return;
    }
    current[0] = u'0';
    write(current);
    caret_to_end();
  }

  FieldResult character(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
    // Anything beyond one UTF-16 unit is no digit; it counts as any other character.
    const char16_t c = wparam <= 0xFFFF ? ascii_upper(static_cast<char16_t>(wparam)) : u'\0';
    if (is_digit(c)) {
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

  FieldResult type_digit(FieldMessage message, char16_t c, FieldLParam lparam) {
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
      candidate = digits(current);
      const int caret = std::clamp(selection().start, 0, static_cast<int>(candidate.size()));
      candidate.insert(static_cast<std::size_t>(caret), 1, c);
    }
    if (!may_hold(candidate)) {
      return 0;
    }
    if (placeholder) {
      show(u"");
      select({0, 0});
    }
    return forward_from(before, message, c, lparam);
  }

  FieldResult backspace(FieldMessage message, FieldLParam lparam) {
    if (has_selection()) {
      reset();
      return 0;
    }
    const std::u16string current = text();
    if (digit_length(current) != 1) {
      return forward(message, kCharBackspace, lparam);
    }
    zero_single_digit(current);
    return 0;
  }

  // All or nothing: the clipboard's text, without surrounding blanks and one "0x" prefix,
  // replaces the digits when it is a number the field may hold.
  void paste() {
    std::u16string pasted = control_.clipboard_text();
    const auto first = std::find_if_not(pasted.begin(), pasted.end(), is_blank);
    const auto last = std::find_if_not(pasted.rbegin(), pasted.rend(), is_blank).base();
    pasted = first < last ? std::u16string(first, last) : std::u16string();
    if (slot_.radix == 16 && pasted.size() > 2 && pasted[0] == u'0' &&
        (pasted[1] == u'x' || pasted[1] == u'X')) {
      pasted.erase(0, 2);
    }
    pasted = upper_cased(pasted);
    if (!may_hold(pasted)) {
      return;
    }
    show(pasted);
    caret_to_end();
  }

  NumericFieldSlot& slot_;
  EditControl& control_;
};

}  // namespace

NumericFieldTable& numeric_field_table() {
  static NumericFieldTable table;
  return table;
}

int install_numeric_field(EditControl& control, std::u16string_view initial_text,
                          std::u16string_view suffix, std::int32_t radix, std::uint32_t maximum) {
  const FieldWindow window = control.window();
  if (window == nullptr) {
    return -1;
  }
  NumericFieldTable& table = numeric_field_table();
  auto key = std::find(table.keys.begin(), table.keys.end(), window);
  if (key == table.keys.end()) {
    key = std::find(table.keys.begin(), table.keys.end(), nullptr);
  }
  if (key == table.keys.end()) {
    return -1;
  }
  const auto index = static_cast<int>(key - table.keys.begin());
  NumericFieldSlot& slot = table.slots[static_cast<std::size_t>(index)];
  const bool routed = *key == window && slot.control == &control;
  *key = window;
  slot.suffix = suffix;
  slot.radix = radix;
  slot.maximum = maximum;
  slot.window = window;
  slot.control = &control;
  Field(slot).show(initial_text);
  if (!routed) {
    control.route_messages_to_field();
  }
  return index;
}

void set_field_value(FieldWindow window, std::uint32_t value) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return;
  }
  // A hexadecimal value takes at most 8 characters; a decimal one is shown whole (up to 11) rather
  // than cut into a different number.
  const std::string formatted =
      slot->radix == 16 ? hex_text(value) : std::to_string(static_cast<std::int32_t>(value));
  Field(*slot).show(std::u16string(formatted.begin(), formatted.end()));
}

std::u16string get_field_text(FieldWindow window) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return {};
  }
  Field field(*slot);
  return field.digits(field.text());
}

void set_field_text(FieldWindow window, std::u16string_view text) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return;
  }
  Field(*slot).show(text);
}

FieldResult numeric_field_proc(FieldWindow window, FieldMessage message, FieldWParam wparam,
                               FieldLParam lparam) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return 0;
  }
  if (slot->in_control_call) {
    return slot->control->forward(message, wparam, lparam);
  }
  const FieldResult result = Field(*slot).handle(message, wparam, lparam);
  if (message == kWmNcDestroy) {
    slot->control = nullptr;
  }
  return result;
}

void forget_field_control(FieldWindow window) {
  if (NumericFieldSlot* slot = find_slot(window); slot != nullptr) {
    slot->control = nullptr;
  }
}

}  // namespace quintrel

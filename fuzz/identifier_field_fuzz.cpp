// Feeds the identifier field (hexadecimal, maximum 0x7FF, no suffix, as the main dialog installs
// it) an arbitrary sequence of window messages, keys, pastes, input-method text and values from
// the device, over an edit control that behaves as a Windows edit control does: it inserts at the
// caret, deletes, pastes, cuts and undoes by itself, and sends its own text and selection requests
// back through the field's procedure once routed.
//
// Input: a sequence of events, each an opcode byte and its arguments (see run_event).
//
// Invariants after every event: the field's digits are upper-case hexadecimal and never empty;
// their value is at most the maximum, unless a larger value came from the device (then at most
// the largest such value); the selection lies within the text; the field never recurses into
// itself more than one level deep.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "fuzz/fuzz_check.h"
#include "ui/numeric_field.h"
#include "ui/window_message_ids.h"

namespace {

using namespace quintrel;

constexpr std::uint32_t kMaximum = 0x7FF;
constexpr FieldMessage kEmUndo = 0x00C7;
constexpr int kMaxDepth = 2;

class Input {
 public:
  explicit Input(std::span<const std::uint8_t> data) : data_(data) {}
  bool empty() const { return data_.empty(); }
  std::uint8_t byte() {
    if (data_.empty()) {
      return 0;
    }
    const std::uint8_t first = data_.front();
    data_ = data_.subspan(1);
    return first;
  }
  // Characters mostly from those the field treats specially, sometimes any UTF-16 unit.
  char16_t character() {
    static constexpr char16_t kInteresting[] = u"0123456789abcdefABCDEFgGxX -+\b\t\r\n\x16\x7F";
    const std::uint8_t pick = byte();
    if (pick < sizeof kInteresting / sizeof kInteresting[0] - 1) {
      return kInteresting[pick];
    }
    if (pick < 0xF0) {
      return static_cast<char16_t>(pick);
    }
    return static_cast<char16_t>(byte() | byte() << 8);
  }
  std::u16string text() {
    std::u16string out(byte() % 24, u'\0');
    for (char16_t& c : out) {
      c = character();
    }
    return out;
  }

 private:
  std::span<const std::uint8_t> data_;
};

// A Windows edit control as far as the field can tell.
class EditEmulation final : public EditControl {
 public:
  FieldWindow window() override { return this; }
  std::u16string read_text(std::size_t max_chars) override {
    std::u16string out;
    request(kWmGetText, max_chars + 1, reinterpret_cast<FieldLParam>(&out));
    return out;
  }
  void write_text(std::u16string_view new_text) override {
    const std::u16string copy(new_text);
    request(kWmSetText, 0, reinterpret_cast<FieldLParam>(&copy));
  }
  FieldSelection selection() override {
    FieldSelection out;
    request(kEmGetSel, reinterpret_cast<FieldWParam>(&out.start),
            reinterpret_cast<FieldLParam>(&out.end));
    return out;
  }
  void set_selection(FieldSelection range) override {
    request(kEmSetSel, static_cast<FieldWParam>(range.start), range.end);
  }
  void route_messages_to_field() override { routed = true; }
  std::u16string clipboard_text() override { return clipboard; }
  bool shift_held() override { return shift; }

  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) override {
    const int length = static_cast<int>(text.size());
    const bool caret_only = selected.start == selected.end;
    switch (message) {
      case kWmGetText: {
        auto& out = *reinterpret_cast<std::u16string*>(lparam);
        out = wparam == 0 ? std::u16string() : text.substr(0, wparam - 1);
        return static_cast<FieldResult>(out.size());
      }
      case kWmSetText:
        text = *reinterpret_cast<const std::u16string*>(lparam);
        selected = {0, 0};
        return 1;
      case kEmGetSel:
        *reinterpret_cast<int*>(wparam) = selected.start;
        *reinterpret_cast<int*>(lparam) = selected.end;
        return 0;
      case kEmSetSel: {
        // -1 as start removes the selection; -1 as end selects to the end of the text.
        const auto start = static_cast<int>(static_cast<std::intptr_t>(wparam));
        const auto end = static_cast<int>(lparam);
        if (start == -1) {
          selected = {selected.end, selected.end};
        } else {
          select(start, end < 0 ? length : end);
        }
        return 0;
      }
      case kWmChar:
      case kWmImeChar:
        if (wparam == kCharBackspace) {
          if (caret_only && selected.start > 0) {
            select(selected.start - 1, selected.start);
          }
          replace_selection(u"");
        } else if (wparam >= 0x20 || wparam == u'\t') {
          replace_selection(std::u16string(1, static_cast<char16_t>(wparam)));
        }
        return 0;
      case kWmKeyDown:
        key_down(wparam);
        return 0;
      case kWmLButtonDown:
        select(static_cast<int>(lparam), static_cast<int>(lparam));  // the caret goes to the click
        return 0;
      case kWmLButtonDblClk:
        select(0, length);  // the word under the pointer: here all of it
        return 0;
      case kWmPaste:
        replace_selection(clipboard);
        return 0;
      case kWmCut:
      case kWmClear:
        replace_selection(u"");
        return 0;
      case kWmUndo:
      case kEmUndo:
        if (undo_text) {
          std::swap(text, *undo_text);
          select(0, static_cast<int>(text.size()));
        }
        return 1;
      case kWmImeComposition:
        replace_selection(ime_text);
        return 0;
      default:
        return 0;
    }
  }

  std::u16string text;
  FieldSelection selected;
  std::optional<std::u16string> undo_text;
  std::u16string clipboard;
  std::u16string ime_text;
  bool shift = false;
  bool ctrl = false;
  bool routed = false;

 private:
  FieldResult request(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
    if (!routed) {
      return forward(message, wparam, lparam);
    }
    ++depth_;
    FUZZ_CHECK(depth_ <= kMaxDepth);  // the field keeps sending itself messages
    const FieldResult result = numeric_field_proc(window(), message, wparam, lparam);
    --depth_;
    return result;
  }

  void select(int start, int end) {
    const int length = static_cast<int>(text.size());
    selected.start = std::clamp(std::min(start, end), 0, length);
    selected.end = std::clamp(std::max(start, end), 0, length);
  }

  void replace_selection(std::u16string_view with) {
    undo_text = text;
    const auto start = static_cast<std::size_t>(selected.start);
    text.replace(start, static_cast<std::size_t>(selected.end - selected.start), with);
    const int caret = selected.start + static_cast<int>(with.size());
    selected = {caret, caret};
  }

  void key_down(FieldWParam key) {
    const int length = static_cast<int>(text.size());
    const int caret = selected.end;
    switch (key) {
      case kVkDelete:
        if (shift) {
          clipboard.assign(text, static_cast<std::size_t>(selected.start),
                           static_cast<std::size_t>(selected.end - selected.start));
        } else if (selected.start == selected.end) {
          select(caret, ctrl ? length : caret + 1);
        }
        replace_selection(u"");
        break;
      case kVkInsert:
        if (shift) {
          replace_selection(clipboard);
        }
        break;
      case kVkLeft:
      case kVkRight:
      case kVkHome:
      case kVkEnd: {
        int to = key == kVkHome ? 0 : key == kVkEnd ? length : caret + (key == kVkLeft ? -1 : 1);
        to = std::clamp(to, 0, length);
        if (shift) {
          select(selected.start, to);
        } else {
          select(to, to);
        }
        break;
      }
      default:
        break;
    }
  }

  int depth_ = 0;
};

bool is_upper_hex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// The digits' value, saturated above 32 bits.
std::uint64_t value_of(std::u16string_view digits) {
  std::uint64_t value = 0;
  for (const char16_t c : digits) {
    value = value * 16 + static_cast<std::uint64_t>(c <= u'9' ? c - u'0' : c - u'A' + 10);
    value = std::min<std::uint64_t>(value, 0x1'0000'0000);
  }
  return value;
}

FieldResult send(EditEmulation& edit, FieldMessage message, FieldWParam wparam = 0,
                 FieldLParam lparam = 0) {
  return numeric_field_proc(edit.window(), message, wparam, lparam);
}

constexpr FieldWParam kKeys[] = {kVkHome, kVkEnd,    kVkLeft,   kVkUp, kVkRight,
                                 kVkDown, kVkDelete, kVkInsert, 0x41,  0x10};

// One event. Returns the value set from the device, if this event set one.
std::optional<std::uint32_t> run_event(EditEmulation& edit, Input& input) {
  edit.shift = false;
  edit.ctrl = false;
  switch (input.byte() % 14) {
    case 0:
    case 1:  // typing, the most common event
      send(edit, kWmChar, input.character());
      break;
    case 2: {  // a key, with Shift and Ctrl as the argument says
      const std::uint8_t argument = input.byte();
      edit.shift = (argument & 0x40) != 0;
      edit.ctrl = (argument & 0x80) != 0;
      send(edit, kWmKeyDown, kKeys[(argument & 0x3F) % std::size(kKeys)]);
      break;
    }
    case 3:  // paste from the context menu
      edit.clipboard = input.text();
      send(edit, kWmPaste);
      break;
    case 4:  // Shift+Insert
      edit.clipboard = input.text();
      edit.shift = true;
      send(edit, kWmKeyDown, kVkInsert);
      break;
    case 5: {
      static constexpr FieldMessage kEdits[] = {kWmCut, kWmClear, kWmUndo, kEmUndo};
      send(edit, kEdits[input.byte() % std::size(kEdits)]);
      break;
    }
    case 6:
      send(edit, kWmSetFocus);
      break;
    case 7: {  // the mouse: a click somewhere in or beyond the text, or a double click
      static constexpr FieldMessage kClicks[] = {kWmLButtonDown, kWmLButtonUp, kWmLButtonDblClk};
      const std::uint8_t argument = input.byte();
      send(edit, kClicks[argument % 3], 0, argument / 3 % 24);
      break;
    }
    case 8: {  // a selection made by the dialog or the mouse
      const std::uint8_t start = input.byte();
      const std::uint8_t end = input.byte();
      send(edit, kEmSetSel, start == 0xFF ? static_cast<FieldWParam>(-1) : start % 24,
           end == 0xFF ? -1 : end % 24);
      break;
    }
    case 9:
      send(edit, kWmImeChar, input.character());
      break;
    case 10:
      edit.ime_text = input.text();
      send(edit, kWmImeComposition);
      break;
    case 11: {  // a value read from the device
      std::uint32_t value = 0;
      for (int i = 0; i < 4; ++i) {
        value = value << 8 | input.byte();
      }
      set_field_value(edit.window(), value);
      return value;
    }
    case 12: {  // any other message, with any wParam (not those that carry pointers, nor the end)
      const FieldMessage message = input.byte() | input.byte() << 8;
      if (message != kWmGetText && message != kWmSetText && message != kEmGetSel &&
          message != kWmDestroy && message != kWmNcDestroy) {
        send(edit, message, input.byte());
      }
      break;
    }
    default:  // a character beyond one UTF-16 unit
      send(edit, kWmChar, 0x10000u + input.byte());
      break;
  }
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  numeric_field_table() = NumericFieldTable{};
  EditEmulation edit;
  FUZZ_CHECK(install_numeric_field(edit, u"0", u"", 16, kMaximum) == 0);
  std::uint64_t largest_from_device = 0;

  Input input(std::span<const std::uint8_t>(data, size));
  while (!input.empty()) {
    if (const auto value = run_event(edit, input)) {
      largest_from_device = std::max<std::uint64_t>(largest_from_device, *value);
    }
    const std::u16string digits = get_field_text(edit.window());
    FUZZ_CHECK(!digits.empty());
    FUZZ_CHECK(std::all_of(digits.begin(), digits.end(), is_upper_hex));
    FUZZ_CHECK(digits == edit.text);
    FUZZ_CHECK(value_of(digits) <= std::max<std::uint64_t>(kMaximum, largest_from_device));
    FUZZ_CHECK(0 <= edit.selected.start && edit.selected.start <= edit.selected.end &&
               edit.selected.end <= static_cast<int>(edit.text.size()));
  }
  numeric_field_table() = NumericFieldTable{};
  return 0;
}

// Feeds the identifier field (hexadecimal, maximum 0x7FF, no suffix, as the main dialog installs
// it) an arbitrary sequence of window messages, keys, pastes, input-method text and values from
// the device, over the emulated Windows edit control the unit tests use too (support/
// emulated_edit.h): it inserts at the caret, deletes, pastes, cuts and undoes by itself, and sends
// its own text and selection requests back through the field's procedure once routed.
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
#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "ui/emulated_edit.h"
#include "ui/numeric_field.h"
#include "ui/window_message_ids.h"

namespace {

using namespace quintrel;

constexpr std::uint32_t kMaximum = 0x7FF;

// Characters mostly from those the field treats specially, sometimes any UTF-16 unit.
char16_t character(FuzzInput& input) {
  static constexpr char16_t kInteresting[] = u"0123456789abcdefABCDEFgGxX -+\b\t\r\n\x16\x7F";
  const std::uint8_t pick = input.byte();
  if (pick < std::size(kInteresting) - 1) {
    return kInteresting[pick];
  }
  if (pick < 0xF0) {
    return static_cast<char16_t>(pick);
  }
  return input.unit();
}

std::u16string text(FuzzInput& input) {
  std::u16string out(input.byte() % 24, u'\0');
  for (char16_t& c : out) {
    c = character(input);
  }
  return out;
}

class FuzzEdit final : public test::EmulatedEdit {
 private:
  void report_runaway(FieldMessage) override {
    FUZZ_CHECK(!"the field keeps sending itself messages");
  }
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

FieldResult send(FuzzEdit& edit, FieldMessage message, FieldWParam wparam = 0,
                 FieldLParam lparam = 0) {
  return numeric_field_proc(edit.window(), message, wparam, lparam);
}

constexpr FieldWParam kKeys[] = {kVkHome, kVkEnd,    kVkLeft,   kVkUp, kVkRight,
                                 kVkDown, kVkDelete, kVkInsert, 0x41,  0x10};

// One event. Returns the value set from the device, if this event set one.
std::optional<std::uint32_t> run_event(FuzzEdit& edit, FuzzInput& input) {
  edit.shift = false;
  edit.ctrl = false;
  switch (input.byte() % 14) {
    case 0:
    case 1:  // typing, the most common event
      send(edit, kWmChar, character(input));
      break;
    case 2: {  // a key, with Shift and Ctrl as the argument says
      const std::uint8_t argument = input.byte();
      edit.shift = (argument & 0x40) != 0;
      edit.ctrl = (argument & 0x80) != 0;
      send(edit, kWmKeyDown, kKeys[(argument & 0x3F) % std::size(kKeys)]);
      break;
    }
    case 3:  // paste from the context menu
      edit.clipboard = text(input);
      send(edit, kWmPaste);
      break;
    case 4:  // Shift+Insert
      edit.clipboard = text(input);
      edit.shift = true;
      send(edit, kWmKeyDown, kVkInsert);
      break;
    case 5: {
      static constexpr FieldMessage kEdits[] = {kWmCut, kWmClear, kWmUndo, test::kEmUndo};
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
      send(edit, kWmImeChar, character(input));
      break;
    case 10:
      edit.ime_result = text(input);
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
      const FieldMessage message = input.unit();
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
  FuzzEdit edit;
  FUZZ_CHECK(install_numeric_field(edit, u"0", u"", 16, kMaximum) == 0);
  std::uint64_t largest_from_device = 0;

  FuzzInput input(std::span<const std::uint8_t>(data, size));
  while (!input.empty()) {
    if (const auto value = run_event(edit, input)) {
      largest_from_device = std::max<std::uint64_t>(largest_from_device, *value);
    }
    const std::u16string digits = get_field_text(edit.window());
    FUZZ_CHECK(!digits.empty());
    FUZZ_CHECK(std::all_of(digits.begin(), digits.end(), is_upper_hex));
    FUZZ_CHECK(digits == edit.text);
    FUZZ_CHECK(value_of(digits) <= std::max<std::uint64_t>(kMaximum, largest_from_device));
    const FieldSelection selected = edit.selected();
    FUZZ_CHECK(0 <= selected.start && selected.start <= selected.end &&
               selected.end <= static_cast<int>(edit.text.size()));
  }
  numeric_field_table() = NumericFieldTable{};
  return 0;
}

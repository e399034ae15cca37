#include "ui/numeric_field.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "device/token_parser.h"
#include "tests/support/fake_edit.h"

namespace quintrel {
namespace {

std::string narrow(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

struct Keystroke {
  FieldMessage message;
  FieldWParam wparam;
};

Keystroke character(char16_t c) {
  return {kWmChar, c};
}
constexpr Keystroke kBackspace{kWmChar, kCharBackspace};
constexpr Keystroke kDelete{kWmKeyDown, kVkDelete};

// The field as the main dialog installs it: hexadecimal, maximum 0x7FF, no suffix.
class NumericFieldTest : public testing::Test {
 protected:
  NumericFieldTest() {
    numeric_field_table() = NumericFieldTable{};
    slot = install_numeric_field(edit, u"0", u"", 16, 0x7FF);
  }
  ~NumericFieldTest() override { numeric_field_table() = NumericFieldTable{}; }

  FieldResult send(FieldMessage message, FieldWParam wparam = 0) {
    return numeric_field_proc(edit.window(), message, wparam, 0);
  }
  void type(std::u16string_view chars) {
    for (const char16_t c : chars) {
      send(kWmChar, c);
    }
  }
  // The field showing digits as the program puts them there: a value the device reported, or
  // (with a leading zero, which no reported value has) a paste.
  void show(const std::u16string& digits) {
    if (digits.size() > 1 && digits[0] == u'0') {
      edit.clipboard = digits;
      send(kWmPaste);
    } else {
      set_field_value(edit.window(), text_to_u32(std::string(digits.begin(), digits.end()), 16));
    }
    ASSERT_EQ(edit.text, digits);
  }
  void expect_field(std::u16string_view text, FieldSelection selection) {
    EXPECT_EQ(narrow(edit.text), narrow(text));
    EXPECT_EQ(edit.selected(), selection);
  }

  test::FakeEdit edit;
  int slot = -1;
};

TEST_F(NumericFieldTest, InstallShowsZeroAndRoutesTheControl) {
  EXPECT_EQ(slot, 0);
  EXPECT_EQ(edit.text, u"0");
  EXPECT_EQ(get_field_text(edit.window()), u"0");
  EXPECT_EQ(edit.routings, 1);
  EXPECT_EQ(numeric_field_table().keys[0], edit.window());
  EXPECT_EQ(numeric_field_table().slots[0].maximum, 0x7FFu);
}

TEST_F(NumericFieldTest, TableFullLeavesTheControlUntouched) {
  std::deque<test::FakeEdit> others(kNumericFieldSlots - 1);
  for (std::size_t i = 0; i < others.size(); ++i) {
    ASSERT_EQ(install_numeric_field(others[i], u"1", u"", 16, 0x7FF), static_cast<int>(i + 1));
  }
  test::FakeEdit late;
  late.text = u"keep";

  EXPECT_EQ(install_numeric_field(late, u"0", u"", 16, 0x7FF), -1);
  EXPECT_EQ(late.text, u"keep");
  EXPECT_EQ(late.routings, 0);
  EXPECT_EQ(numeric_field_proc(late.window(), kWmChar, u'5', 0), 0);
  EXPECT_TRUE(late.forwarded.empty());
  EXPECT_EQ(get_field_text(late.window()), u"");
}

TEST_F(NumericFieldTest, DestroyedControlIsForgottenAndOneAtItsAddressIsRoutedAgain) {
  std::optional<test::FakeEdit> control(std::in_place);
  ASSERT_EQ(install_numeric_field(*control, u"1", u"", 16, 0x7FF), 1);
  const FieldWindow handle = control->window();

  numeric_field_proc(handle, kWmNcDestroy, 0, 0);
  EXPECT_EQ(control->forwarded.back(), kWmNcDestroy);  // the control's own handling still ran
  EXPECT_EQ(numeric_field_table().slots[1].control, nullptr);

  control.emplace();  // a new control in the same place
  ASSERT_EQ(control->window(), handle);
  EXPECT_EQ(install_numeric_field(*control, u"2", u"", 16, 0x7FF), 1);  // the key stays taken
  EXPECT_EQ(control->routings, 1);
  EXPECT_EQ(control->text, u"2");
}

TEST_F(NumericFieldTest, ReinstallingAWindowReusesItsSlotAndRoutesOnce) {
  test::FakeEdit second;
  EXPECT_EQ(install_numeric_field(second, u"1", u"", 16, 0x7FF), 1);
  set_field_value(edit.window(), 0x12);

  EXPECT_EQ(install_numeric_field(edit, u"0", u"", 16, 0xFF), 0);
  EXPECT_EQ(edit.text, u"0");
  EXPECT_EQ(edit.routings, 1);
  EXPECT_EQ(numeric_field_table().slots[0].maximum, 0xFFu);
}

TEST_F(NumericFieldTest, ValuesFromTheDeviceAreShownAsReadEvenAboveTheMaximum) {
  const std::pair<std::uint32_t, const char16_t*> cases[] = {
      {0x7FF, u"7FF"}, {0, u"0"}, {0x800, u"800"}, {0x1a, u"1A"}, {0xFFFFFFFF, u"FFFFFFFF"}};
  for (const auto& [value, shown] : cases) {
    SCOPED_TRACE(narrow(shown));
    set_field_value(edit.window(), value);  // comes back through the field as WM_SETTEXT
    EXPECT_EQ(edit.text, shown);
    EXPECT_EQ(get_field_text(edit.window()), shown);
  }
}

struct EditCase {
  const char* name;
  std::u16string start;
  FieldSelection selection;
  std::vector<Keystroke> keys;
  std::u16string expected;
  FieldSelection expected_selection;
};

std::vector<Keystroke> chars(std::u16string_view text) {
  std::vector<Keystroke> keys;
  for (const char16_t c : text) {
    keys.push_back(character(c));
  }
  return keys;
}

TEST_F(NumericFieldTest, TypingKeepsTheValueAtMostTheMaximum) {
  const EditCase cases[] = {
      {"a on 0 gives A", u"0", {1, 1}, chars(u"a"), u"A", {1, 1}},
      {"0 on 0 stays 0", u"0", {1, 1}, chars(u"0"), u"0", {1, 1}},
      {"f after 7F gives 7FF", u"7F", {2, 2}, chars(u"f"), u"7FF", {3, 3}},
      {"nothing fits behind 7FF", u"7FF", {3, 3}, chars(u"0123456789abcdefABCDEF"), u"7FF", {3, 3}},
      {"0x800 refused", u"80", {2, 2}, chars(u"0"), u"80", {2, 2}},
      {"F in front of 7F would be F7F", u"7F", {0, 0}, chars(u"F"), u"7F", {0, 0}},
      {"1 in front of 7F gives 17F", u"7F", {0, 0}, chars(u"1"), u"17F", {1, 1}},
      {"1 in front of 80 gives 180", u"80", {0, 0}, chars(u"1"), u"180", {1, 1}},
      {"inserted at the caret", u"12", {1, 1}, chars(u"f"), u"1F2", {2, 2}},
      {"fourth digit refused", u"1", {1, 1}, chars(u"234"), u"123", {3, 3}},
      {"selection replaced by the digit", u"7FF", {0, 3}, chars(u"5"), u"5", {1, 1}},
      {"partial selection resets all", u"7FF", {1, 2}, chars(u"5"), u"5", {1, 1}},
      {"above the maximum from the device",
       u"800",
       {3, 3},
       chars(u"0123456789ABCDEF"),
       u"800",
       {3, 3}},
      {"eight digits from the device", u"FFFFFFFF", {8, 8}, chars(u"1"), u"FFFFFFFF", {8, 8}},
      {"leading 0 gives way", u"07F", {3, 3}, chars(u"3"), u"3", {1, 1}},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    show(c.start);
    edit.set_selection(c.selection);
    for (const Keystroke& key : c.keys) {
      send(key.message, key.wparam);
    }
    expect_field(c.expected, c.expected_selection);
  }
}

TEST_F(NumericFieldTest, OtherCharactersAreConsumed) {
  for (const char16_t c : u"gGxX- .\x16\x01\r\x7f\xff11") {
    SCOPED_TRACE(static_cast<int>(c));
    show(u"1A");
    edit.set_selection({1, 1});
    EXPECT_EQ(send(kWmChar, c), 0);
    expect_field(u"1A", {1, 1});

    edit.set_selection({0, 2});
    send(kWmChar, c);
    expect_field(u"1A", {2, 2});  // a selection becomes a caret after the digits
  }
  EXPECT_TRUE(edit.forwarded.empty());
}

TEST_F(NumericFieldTest, BackspaceAndDeleteNeverLeaveTheDigitsEmpty) {
  const EditCase cases[] = {
      {"Backspace on all selected", u"7FF", {0, 3}, {kBackspace}, u"0", {1, 1}},
      {"Delete on all selected", u"7FF", {0, 3}, {kDelete}, u"0", {1, 1}},
      {"Backspace on part selected", u"7FF", {1, 2}, {kBackspace}, u"0", {1, 1}},
      {"Backspace on A", u"A", {1, 1}, {kBackspace}, u"0", {1, 1}},
      {"Backspace on A, caret in front", u"A", {0, 0}, {kBackspace}, u"0", {1, 1}},
      {"Backspace on 0", u"0", {1, 1}, {kBackspace}, u"0", {1, 1}},
      {"Backspace on 1A", u"1A", {2, 2}, {kBackspace}, u"1", {1, 1}},
      {"Backspace twice on 1A", u"1A", {2, 2}, {kBackspace, kBackspace}, u"0", {1, 1}},
      {"Delete after the digits", u"1A", {2, 2}, {kDelete}, u"1A", {2, 2}},
      {"Delete in front of A", u"A", {0, 0}, {kDelete}, u"0", {1, 1}},
      {"Delete in front of 0", u"0", {0, 0}, {kDelete}, u"0", {0, 0}},
      {"Delete in front of 1A", u"1A", {0, 0}, {kDelete, kDelete}, u"0", {1, 1}},
      {"Backspace on 800 from the device", u"800", {3, 3}, {kBackspace}, u"80", {2, 2}},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    show(c.start);
    edit.set_selection(c.selection);
    for (const Keystroke& key : c.keys) {
      send(key.message, key.wparam);
    }
    expect_field(c.expected, c.expected_selection);
  }
}

TEST_F(NumericFieldTest, CaretKeysStayWithinTheDigits) {
  show(u"1A");
  edit.set_selection({1, 1});
  for (const FieldWParam key : {kVkHome, kVkEnd}) {
    EXPECT_EQ(send(kWmKeyDown, key), 0);
    expect_field(u"1A", {1, 1});
  }
  EXPECT_TRUE(edit.forwarded.empty());

  send(kWmKeyDown, kVkRight);  // forwarded: the control moves the caret
  expect_field(u"1A", {2, 2});
  send(kWmKeyDown, kVkRight);  // consumed at the end of the digits
  expect_field(u"1A", {2, 2});
  EXPECT_EQ(edit.forwarded, (std::vector<FieldMessage>{kWmKeyDown}));

  for (const FieldWParam key : {kVkUp, kVkDown}) {
    edit.set_selection({0, 0});
    send(kWmKeyDown, key);
    expect_field(u"1A", {2, 2});
  }
  send(kWmKeyDown, kVkLeft);
  expect_field(u"1A", {1, 1});
}

TEST_F(NumericFieldTest, FocusAndDoubleClickSelectTheDigits) {
  for (const FieldMessage message : {kWmSetFocus, kWmLButtonDblClk}) {
    show(u"7FF");
    edit.set_selection({3, 3});
    edit.forwarded.clear();
    send(message);
    expect_field(u"7FF", {0, 3});
    EXPECT_EQ(edit.forwarded, (std::vector<FieldMessage>{message}));
  }
}

TEST_F(NumericFieldTest, PasteIsAllOrNothing) {
  const std::pair<const char16_t*, const char16_t*> accepted[] = {
      {u" 0x7ff\r\n", u"7FF"}, {u"1a", u"1A"}, {u"\t0X00A ", u"00A"}, {u"0", u"0"}};
  const char16_t* refused[] = {u"800", u"",    u"  ",    u"0x", u"12G",       u"\xff11\xff12",
                               u"-1",  u"7 F", u"0x0x1", u"+1", u"FFFFFFFFF", u"1\x0300"};
  for (const bool shift_insert : {false, true}) {
    SCOPED_TRACE(shift_insert ? "Shift+Insert" : "WM_PASTE");
    for (const auto& [clipboard, shown] : accepted) {
      SCOPED_TRACE(narrow(clipboard));
      show(u"5");
      edit.set_selection({0, 0});
      edit.clipboard = clipboard;
      edit.shift = shift_insert;
      EXPECT_EQ(shift_insert ? send(kWmKeyDown, kVkInsert) : send(kWmPaste), 0);
      const int end = static_cast<int>(std::u16string_view(shown).size());
      expect_field(shown, {end, end});
    }
    for (const char16_t* clipboard : refused) {
      SCOPED_TRACE(narrow(clipboard));
      show(u"5");
      edit.set_selection({0, 1});
      edit.clipboard = clipboard;
      edit.shift = shift_insert;
      shift_insert ? send(kWmKeyDown, kVkInsert) : send(kWmPaste);
      expect_field(u"5", {0, 1});
    }
  }
  edit.shift = false;
  edit.clipboard = u"G";
  send(kWmKeyDown, kVkInsert);  // Insert alone is the control's own business
  expect_field(u"5", {0, 1});
}

TEST_F(NumericFieldTest, ChangesMadeByTheControlAreGuarded) {
  struct Guarded {
    const char* name;
    std::u16string start;
    FieldSelection selection;
    FieldMessage message;
    FieldWParam wparam;
    std::u16string undo_or_ime;
    std::u16string expected;
    FieldSelection expected_selection;
  };
  const std::u16string kEighteenZeros(18, u'0');  // with the 1 behind them, one too many
  const Guarded cases[] = {
      {"Ctrl+Delete empties", u"7FF", {0, 0}, kWmKeyDown, kVkDelete, u"", u"0", {1, 1}},
      {"Ctrl+Delete keeps the front", u"7FF", {1, 1}, kWmKeyDown, kVkDelete, u"", u"7", {1, 1}},
      {"cut of all", u"7FF", {0, 3}, kWmCut, 0, u"", u"0", {1, 1}},
      {"clear of a part", u"7FF", {0, 1}, kWmClear, 0, u"", u"FF", {0, 0}},
      {"undo to junk", u"7FF", {1, 2}, kWmUndo, 0, u"G12", u"7FF", {1, 2}},
      {"undo to too much", u"7FF", {3, 3}, kWmUndo, 0, u"7FFF", u"7FF", {3, 3}},
      {"undo to a number", u"7FF", {3, 3}, kWmUndo, 0, u"12", u"12", {0, 2}},
      {"undo to lower case", u"7FF", {3, 3}, kWmUndo, 0, u"1a", u"1A", {0, 2}},
      {"full-width input", u"12", {2, 2}, kWmImeComposition, 0, u"\xff13", u"12", {2, 2}},
      {"input in front", u"7F", {0, 0}, kWmImeComposition, 0, u"F", u"7F", {0, 0}},
      {"input that fits", u"7F", {0, 0}, kWmImeComposition, 0, u"1", u"17F", {1, 1}},
      {"overlong input", u"1", {0, 0}, kWmImeComposition, 0, kEighteenZeros, u"1", {0, 0}},
  };
  for (const Guarded& c : cases) {
    SCOPED_TRACE(c.name);
    show(c.start);
    edit.set_selection(c.selection);
    edit.undo_text = c.undo_or_ime;
    edit.ime_result = c.undo_or_ime;
    edit.ctrl = true;
    send(c.message, c.wparam);
    expect_field(c.expected, c.expected_selection);
  }
}

TEST_F(NumericFieldTest, InputMethodCharactersAreFilteredLikeTyping) {
  send(kWmImeChar, u'a');
  expect_field(u"A", {1, 1});
  send(kWmImeChar, 0xFF11);  // full-width 1
  expect_field(u"A", {1, 1});
  EXPECT_EQ(edit.forwarded, (std::vector<FieldMessage>{kWmImeChar}));
}

TEST_F(NumericFieldTest, TextSetFromOutsideIsGuardedButTheFieldsOwnIsNot) {
  show(u"12");
  edit.set_selection({2, 2});
  for (const char16_t* outside : {u"XYZ", u"800"}) {
    numeric_field_proc(edit.window(), kWmSetText, 0, reinterpret_cast<FieldLParam>(outside));
    expect_field(u"12", {2, 2});
  }
  set_field_value(edit.window(), 0xFFFF);
  EXPECT_EQ(edit.text, u"FFFF");
}

TEST_F(NumericFieldTest, AWindowGoingAwayIsNotGuarded) {
  show(u"12");
  send(kWmNcDestroy);
  EXPECT_EQ(edit.text, u"");  // no "0" written into a destroyed window
}

TEST_F(NumericFieldTest, AValueAboveTheMaximumMayOnlyShrink) {
  set_field_value(edit.window(), 0xFFFF);
  edit.set_selection({4, 4});

  send(kWmChar, kCharBackspace);
  expect_field(u"FFF", {3, 3});
  send(kWmUndo);  // back to FFFF: larger than both the maximum and what it replaces
  expect_field(u"FFF", {3, 3});
}

// Longer digits can read as the same saturated 32-bit value; they must not count as "not larger".
TEST_F(NumericFieldTest, ALargestValueFromTheDeviceCannotGrowLonger) {
  struct Growth {
    const char* name;
    FieldMessage message;
    std::u16string undo_or_ime;
  };
  const Growth cases[] = {
      {"input in front", kWmImeComposition, u"1"},
      {"long input in front", kWmImeComposition, u"b0080551"},
      {"undo to a longer number", kWmUndo, u"FFFFFFFF0"},
  };
  for (const Growth& c : cases) {
    SCOPED_TRACE(c.name);
    set_field_value(edit.window(), 0xFFFFFFFF);
    edit.set_selection({0, 0});
    edit.undo_text = c.undo_or_ime;
    edit.ime_result = c.undo_or_ime;
    send(c.message);
    expect_field(u"FFFFFFFF", {0, 0});
  }
}

// A decimal field with a suffix, which the program itself does not install.
TEST_F(NumericFieldTest, DecimalFieldWithSuffix) {
  test::FakeEdit millis;
  ASSERT_EQ(install_numeric_field(millis, u"42", u" ms", 10, 500), 1);
  const auto send_millis = [&](FieldMessage message, FieldWParam wparam) {
    return numeric_field_proc(millis.window(), message, wparam, 0);
  };
  EXPECT_EQ(millis.text, u"42 ms");
  EXPECT_EQ(get_field_text(millis.window()), u"42");

  millis.set_selection({2, 2});
  send_millis(kWmChar, u'9');  // 429 fits
  send_millis(kWmChar, u'1');  // 4291 does not
  send_millis(kWmChar, u'a');  // no decimal digit
  EXPECT_EQ(millis.text, u"429 ms");
  send_millis(kWmKeyDown, kVkRight);
  EXPECT_EQ(millis.selected(), (FieldSelection{3, 3}));
  send_millis(kWmKeyDown, kVkDelete);  // nothing to delete before the suffix
  EXPECT_EQ(millis.text, u"429 ms");

  set_field_value(millis.window(), 0xFFFFFFFF);
  EXPECT_EQ(millis.text, u"-1 ms");
  set_field_value(millis.window(), 0x80000000);
  EXPECT_EQ(millis.text, u"-2147483648 ms");  // shown whole, not cut to 8 characters
}

}  // namespace
}  // namespace quintrel

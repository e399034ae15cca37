// The numeric field's rules on text alone, apart from any control: which characters are digits
// of the field's radix, what digits are worth, which digits typing or pasting may leave, and what
// a paste offers. Used by the field's editor (ui/field_editor.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/numeric_field.h"

namespace quintrel {

class FieldRules {
 public:
  explicit FieldRules(const NumericFieldSlot& slot) : slot_(slot) {}

  static std::u16string upper_cased(std::u16string text);

  // n: the text's length less the suffix's (never below 0).
  int digit_length(const std::u16string& text) const;

  // D: the text before the first occurrence of the suffix (empty when the suffix is missing).
  std::u16string digits(const std::u16string& text) const;

  bool is_digit(char16_t c) const;

  // The value of text made only of digits of the field's radix, as the text-to-number conversion
  // reads it (saturated at 0xFFFFFFFF); nullopt for empty text or any other character.
  std::optional<std::uint32_t> value_of(std::u16string_view text) const;

  // Whether digits may become the field's digits by typing or pasting: a number of the radix
  // that fits a signed 32-bit integer, at most the maximum, and short enough to be read back
  // whole with the suffix.
  bool may_hold(std::u16string_view text) const;

  // Digits the field may hold, or a number no larger than a value shown above the maximum (so that
  // Backspace still works on whatever the device reported). The values saturate at 0xFFFFFFFF, so
  // more digits than before never count as "no larger".
  bool acceptable_change(std::u16string_view now, std::u16string_view previous) const;

  // What a paste offers: the clipboard's text without surrounding blanks and (in a hexadecimal
  // field) one "0x" prefix, upper-cased. The field takes it all or nothing (may_hold).
  std::u16string pasted(std::u16string clipboard) const;

 private:
  const NumericFieldSlot& slot_;
};

}  // namespace quintrel

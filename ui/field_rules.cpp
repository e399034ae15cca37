#include "ui/field_rules.h"

#include <algorithm>
#include <limits>

#include "base/ascii_text.h"
#include "device/token_parser.h"

namespace quintrel {

namespace {

bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

}  // namespace

std::u16string FieldRules::upper_cased(std::u16string text) {
  std::transform(text.begin(), text.end(), text.begin(), ascii_upper<char16_t>);
  return text;
}

int FieldRules::digit_length(const std::u16string& text) const {
  const auto n = static_cast<int>(text.size()) - static_cast<int>(slot_.suffix.size());
  return std::max(n, 0);
}

std::u16string FieldRules::digits(const std::u16string& text) const {
  if (slot_.suffix.empty()) {
    return text;
  }
  const std::size_t at = text.find(slot_.suffix);
  return at == std::u16string::npos ? std::u16string() : text.substr(0, at);
}

bool FieldRules::is_digit(char16_t c) const {
  const bool decimal = c >= u'0' && c <= u'9';
  return slot_.radix == 16 ? decimal || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')
                           : decimal;
}

std::optional<std::uint32_t> FieldRules::value_of(std::u16string_view text) const {
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

bool FieldRules::may_hold(std::u16string_view text) const {
  const std::optional<std::uint32_t> value = value_of(text);
  return value && *value <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()) &&
         *value <= slot_.maximum && text.size() + slot_.suffix.size() <= kFieldTextMax;
}

bool FieldRules::acceptable_change(std::u16string_view now, std::u16string_view previous) const {
  if (may_hold(now)) {
    return true;
  }
  const std::optional<std::uint32_t> value = value_of(now);
  const std::optional<std::uint32_t> previous_value = value_of(previous);
  return value && previous_value && now.size() <= previous.size() && *value <= *previous_value;
}

std::u16string FieldRules::pasted(std::u16string clipboard) const {
  const auto first = std::find_if_not(clipboard.begin(), clipboard.end(), is_blank);
  const auto last = std::find_if_not(clipboard.rbegin(), clipboard.rend(), is_blank).base();
  std::u16string text = first < last ? std::u16string(first, last) : std::u16string();
  if (slot_.radix == 16 && text.size() > 2 && text[0] == u'0' &&
      (text[1] == u'x' || text[1] == u'X')) {
    text.erase(0, 2);
  }
  return upper_cased(std::move(text));
}

}  // namespace quintrel

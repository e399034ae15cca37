#include "cli/argument_forms.h"

#include <stdexcept>
#include <string>

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "device/can_identifier.h"

namespace quintrel::cli {

std::string bitrate_text(BitrateCode code) {
  return utf8_from_utf16(kBitrateNames[static_cast<std::size_t>(code)]);
}

std::optional<BitrateCode> bitrate_from_argument(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '0' + kBitrateHighest) {
    return text[0] - '0';
  }
  for (BitrateCode code = 0; code <= kBitrateHighest; ++code) {
    if (equal_ignoring_ascii_case(text, bitrate_text(code))) {
      return code;
    }
  }
  return std::nullopt;
}

std::string accepted_bitrates() {
  std::string text;
  for (BitrateCode code = 1; code <= kBitrateHighest; ++code) {
    text += bitrate_text(code) + ", ";
  }
  return "takes " + text + "\"" + bitrate_text(kBitrateInvalid) + "\" (in any case) or a code 0.." +
         std::to_string(kBitrateHighest);
}

std::optional<std::uint32_t> identifier_value_from_argument(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : text) {
    const int digit = hex_digit_value(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
    if (value > kIdentifierMaximum) {
      return std::nullopt;
    }
  }
  return value;
}

std::optional<std::u16string> identifier_from_argument(std::string_view text) {
  const std::optional<std::uint32_t> value = identifier_value_from_argument(text);
  if (!value) {
    return std::nullopt;
  }
  return utf16_from_utf8(hex_text(*value));
}

std::optional<std::uint32_t> deadline_from_argument(std::string_view text) {
  // std::stod would also take leading spaces, a sign, "nan" and "inf".
  if (text.empty() || text[0] < '0' || text[0] > '9') {
    return std::nullopt;
  }
  double seconds = 0;
  const std::string number(text);
  std::size_t used = 0;
  try {
    seconds = std::stod(number, &used);
  } catch (const std::logic_error&) {
    return std::nullopt;
  }
  // Trailing words ("5s") are refused too.
  if (used != number.size() ||
      !(seconds >= kDeadlineMinSeconds && seconds <= kDeadlineMaxSeconds)) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(seconds * 1000 + 0.5);
}

}  // namespace quintrel::cli

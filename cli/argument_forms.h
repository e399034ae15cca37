// The forms of the command line's values: a bitrate, a CAN identifier and a deadline as typed,
// each into what the request holds. Each gives nothing for a text that is not of its form; the
// option that takes it says what was expected.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device/bitrate_code.h"

namespace quintrel::cli {

// An option's check from a form: the empty text for a value of the form, else what the option
// takes and what was given (as CLI11 shows it).
template <typename Convert>
std::function<std::string(const std::string&)> accepts(Convert convert, std::string what) {
  return [convert, what](const std::string& text) {
    return convert(text) ? std::string() : what + ", not \"" + text + "\"";
  };
}

// A code's entry of the bitrate list, as the program's texts show it ("500kbps").
std::string bitrate_text(BitrateCode code);

// A list text ("500kbps", in any case) or a code "0".."4"; nullopt for anything else.
std::optional<BitrateCode> bitrate_from_argument(std::string_view text);

// "takes 125kbps, 250kbps, 500kbps, 1Mbps, "CAN Invalid" (in any case) or a code 0..4".
std::string accepted_bitrates();

// What the identifier field would hold after typing these characters: hexadecimal digits of
// either case with a value of at most 7FF, upper-case and without leading zeros ("07f" gives
// "7F", "000" gives "0"); nullopt for anything else.
std::optional<std::u16string> identifier_from_argument(std::string_view text);
// The same as a value (0x7F for "07f").
std::optional<std::uint32_t> identifier_value_from_argument(std::string_view text);

// --deadline's bounds, in seconds: below a tenth of a second a child is stopped before it could
// open its port, and a deadline above an hour is taken for a slip rather than a port that needs it.
inline constexpr double kDeadlineMinSeconds = 0.1;
inline constexpr double kDeadlineMaxSeconds = 3600;

// "17.5" seconds as milliseconds (17500); nullopt for anything but a number within the bounds.
std::optional<std::uint32_t> deadline_from_argument(std::string_view text);

}  // namespace quintrel::cli

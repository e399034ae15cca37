// Conversions between the program's UTF-16 texts and the UTF-8 of Linux file names, sysfs
// attributes and the console.
#pragma once

#include <string>
#include <string_view>

namespace quintrel {

// Unpaired surrogates become U+FFFD.
std::string utf8_from_utf16(std::u16string_view text);

// Malformed sequences become U+FFFD, one per offending byte.
std::u16string utf16_from_utf8(std::string_view text);

}  // namespace quintrel

// The patterns a selector may hold ("COM*", "/dev/ttyUSB[0-3]"), matched against the port list's
// names and links, never against the file system.
#pragma once

#include <string_view>

namespace quintrel {

// fnmatch-style matching without a file system: * any run of bytes (also "/"), ? one byte,
// [abc] [a-z] [!a] one byte of a set; a "[" without its "]" is itself.
bool glob_matches(std::string_view pattern, std::string_view text);

}  // namespace quintrel

// Files replaced whole through a private temporary file beside them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/result.h"

namespace quintrel {

// Writes text to a new file beside file (mkstemp: a name no one could have planted, mode 0600)
// and renames it over file, so that a crash never leaves half a file and no link at a name known
// in advance is followed. A failure names the file and the reason; no temporary file is left.
Result<void> replace_file(const std::filesystem::path& file, std::string_view text);

// Why replace_file could not write beside file ("No such file or directory", ...); empty when a
// private temporary file can be made there (it is removed again).
std::string unwritable_place_reason(const std::filesystem::path& file);

}  // namespace quintrel

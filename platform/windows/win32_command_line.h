// The one command-line string a Windows program receives, built from separate arguments so that
// the C runtime's parser of the started program gives them back unchanged.
#pragma once

#include <string>
#include <vector>

namespace quintrel::cli {

// Each argument quoted where it holds a space, a tab or a quote (or is empty), with the
// backslashes before a quote and before the closing quote doubled; arguments separated by one
// space.
std::string windows_command_line(const std::vector<std::string>& args);

}  // namespace quintrel::cli

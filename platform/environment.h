// The program's environment variables as text in UTF-8. Windows keeps them in UTF-16, and the C
// runtime's getenv gives them in the ANSI code page, which cannot hold every port name.
#pragma once

#include <optional>
#include <string>

#include "base/result.h"

namespace quintrel::cli {

// The value of the variable name (ASCII), empty when it is set to nothing; nullopt when it is not
// set; a Failure when it cannot be read.
Result<std::optional<std::string>> environment_variable(const char* name);

}  // namespace quintrel::cli

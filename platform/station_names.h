// The names the line's record gives a save: the station (this host) and its operator (the user
// who runs the program).
#pragma once

#include <string>

#include "base/result.h"

namespace quintrel::cli {

// This computer's name.
Result<std::string> host_name();

// The name of the user this program runs as.
Result<std::string> user_name();

}  // namespace quintrel::cli

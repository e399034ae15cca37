// A Windows call's failure in the words every result of this folder uses.
#pragma once

#include <windows.h>

#include <string>

#include "base/result.h"

namespace quintrel {

// "CALL failed (Windows error N)", with the error read at once unless given.
inline std::string system_error_text(const char* call, DWORD error = GetLastError()) {
  return std::string(call) + " failed (Windows error " + std::to_string(error) + ")";
}

inline Failure system_failure(const char* call, DWORD error = GetLastError()) {
  return Failure{system_error_text(call, error)};
}

}  // namespace quintrel

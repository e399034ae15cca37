#include <cstdlib>

#include "platform/environment.h"

namespace quintrel::cli {

std::optional<std::string> environment_variable(const char* name, std::string&) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    return std::nullopt;
  }
  return std::string(value);
}

}  // namespace quintrel::cli

#include <cstdlib>

#include "platform/environment.h"

namespace quintrel::cli {

Result<std::optional<std::string>> environment_variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    return std::optional<std::string>();
  }
  return std::optional<std::string>(value);
}

}  // namespace quintrel::cli

// quintrel-cli.exe's output goes through Win32ConsoleWriter, which says only that a write failed.
#include "platform/standard_streams.h"

namespace quintrel {

std::optional<OutputFailure> output_failure(std::ostream& out) {
  out.flush();
  if (out.good()) {
    return std::nullopt;
  }
  return OutputFailure{false, "it refused what was written"};
}

}  // namespace quintrel

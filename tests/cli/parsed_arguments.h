// The command line as a test gives it: the request, or the exit code and what was said.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"

namespace quintrel::cli {

struct Parsed {
  std::optional<CliRequest> request;
  int exit_code = -1;
  std::string out;
  std::string err;
};

inline Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quintrel-cli");
  std::ostringstream out;
  std::ostringstream err;
  Parsed parsed;
  Result<std::optional<CliRequest>> result =
      parse_cli_arguments(static_cast<int>(args.size()), args.data(), out);
  parsed.exit_code = result ? 0 : 2;
  if (result) {
    parsed.request = std::move(*result);
  } else {
    err << result.error() << '\n';
  }
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

}  // namespace quintrel::cli

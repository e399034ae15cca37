// quintrel-cli's option table: the program's own options and, for each command, its CLI11
// subcommand with its options and help texts, each option filling the request as it is parsed.
// A new command is one function here that returns its CommandOptions; a group of options shared
// by commands is one function that adds them to a command.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "base/result.h"
#include "cli/cli_arguments.h"

namespace quintrel::cli {

// A command as the parser knows it.
struct CommandOptions {
  CLI::App* app = nullptr;
  CliCommand command = CliCommand::kPorts;
  // Options to be given at most once (CLI11 would quietly keep the last of several).
  std::vector<const CLI::Option*> once;
  // The command's own usage rules once its options are parsed (none: empty).
  std::function<Result<void>(const CliRequest&)> check_usage;
  // The command runs on ports: without -p they come from QUINTREL_PORT.
  bool takes_ports = false;
};

// Sets up app as quintrel-cli (name, description, --version, --trace) and adds every command.
std::vector<CommandOptions> add_cli_commands(CLI::App& app, CliRequest& request);

}  // namespace quintrel::cli

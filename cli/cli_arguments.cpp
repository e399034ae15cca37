#include "cli/cli_arguments.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/command_options.h"
#include "cli/unknown_words.h"
#include "platform/environment.h"

namespace quintrel::cli {

namespace {

constexpr char kMoreHelp[] = "Run with --help for more information.";

// A usage error as the program says it: the error, then where to read more.
Failure usage_failure(const std::string& text) {
  return Failure{text + '\n' + kMoreHelp};
}

// CLI11's own usage errors, with its "--port: 1 required TEXT missing" for an option given
// without its value said plainly.
Failure parse_failure(const CLI::ParseError& error) {
  std::string text = error.what();
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr && text.ends_with(" missing")) {
    text = text.substr(0, text.find(':')) + " needs a value after it";
  }
  return usage_failure(text);
}

std::vector<std::string> command_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands({})) {
    if (!command->get_group().empty()) {
      names.push_back(command->get_name());
    }
  }
  return names;
}

// The options a user may type for this command (hidden ones left out), as typed.
std::vector<std::string> option_names(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    if (option->get_group().empty()) {
      continue;
    }
    for (const std::string& name : option->get_snames()) {
      names.push_back("-" + name);
    }
    for (const std::string& name : option->get_lnames()) {
      names.push_back("--" + name);
    }
  }
  return names;
}

// What an unquoted glob after -p becomes in a shell that expanded it: more words, each a file
// that exists. Any other word is a slip, never a port.
bool names_a_file(const std::string& word) {
  std::error_code error;
  return std::filesystem::exists(word, error);
}

// "help" and "help COMMAND" in the command's place as "--help" and "COMMAND --help" (the
// program's own options before it take no values).
std::vector<std::string> with_help_word_as_flag(int argc, const char* const* argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto word = std::find_if(args.begin(), args.end(),
                                 [](const std::string& arg) { return !arg.starts_with('-'); });
  if (word != args.end() && *word == "help") {
    const auto at = args.erase(word);
    args.insert(at == args.end() ? at : at + 1, "--help");
  }
  return args;
}

// The words CLI11 left over: unknown commands or options, or an expanded glob after -p (added to
// ports). Fails with the usage error.
Result<void> take_remaining_words(const CLI::App& app, const CLI::App* command,
                                  CliRequest& request) {
  const std::vector<std::string> words = app.remaining(true);
  if (command == nullptr) {
    if (words.empty()) {
      return Failure{"a command is required: " + word_list(command_names(app))};
    }
    return Failure{unknown_word_message(words.front(), "", command_names(app), option_names(app))};
  }
  std::vector<std::string> options = option_names(*command);
  for (const std::string& word : words) {
    if (word.starts_with('-')) {
      return Failure{unknown_word_message(word, command->get_name(), {}, options)};
    }
  }
  if (words.empty()) {
    return {};
  }
  // The stray word is the first that names no file: those before it may be a glob's expansion.
  const auto stray = std::find_if(words.begin(), words.end(),
                                  [](const auto& word) { return !names_a_file(word); });
  if (request.ports.empty() || stray != words.end()) {
    return Failure{"'" + (request.ports.empty() ? words.front() : *stray) +
                   "' is neither an option nor a port of '" + command->get_name() +
                   "': give each port its own -p (-p A -p B), or quote a glob ('COM*') so that "
                   "quintrel-cli matches it against the port list"};
  }
  request.ports.insert(request.ports.end(), words.begin(), words.end());
  return {};
}

// A parsed command line's usage errors: stray words, an option given more than once that takes
// one value, then the command's own rules.
Result<void> check_usage(const CLI::App& app, const CommandOptions* chosen, CliRequest& request) {
  if (Result<void> words = take_remaining_words(app, chosen ? chosen->app : nullptr, request);
      !words) {
    return words;
  }
  for (const CLI::Option* once : chosen->once) {
    if (once->count() > 1) {
      return Failure{once->get_name() + " is given " + std::to_string(once->count()) +
                     " times; give it once"};
    }
  }
  return chosen->check_usage ? chosen->check_usage(request) : Result<void>();
}

// QUINTREL_PORT stands in for -p, with --found too: it names the ports the search may reach, so
// that a station's save --found never writes to a device elsewhere on the PC.
Result<void> take_port_variable(CliRequest& request) {
  const Result<std::optional<std::string>> variable = environment_variable(kPortVariable);
  const std::string failure = variable.error();
  const std::optional<std::string> named = variable ? *variable : std::nullopt;
  if (!request.ports.empty() || (!named && failure.empty() && request.found)) {
    return {};
  }
  if (named && !named->empty()) {
    request.ports = {*named};
    return {};
  }
  if (!failure.empty()) {
    return usage_failure("QUINTREL_PORT cannot be read (" + failure + "): give -p PORT");
  }
  if (!named) {
    return usage_failure("--port is required (or QUINTREL_PORT in the environment)");
  }
  return usage_failure(request.found
                           ? "QUINTREL_PORT is empty: set it to the ports --found may search, or "
                             "unset it to search every port"
                           : "QUINTREL_PORT is empty: set it to a port, or give -p PORT");
}

}  // namespace

Result<std::optional<CliRequest>> parse_cli_arguments(int argc, const char* const* argv,
                                                      std::ostream& out) {
  CliRequest request;
  CLI::App app;
  const std::vector<CommandOptions> commands = add_cli_commands(app, request);
  try {
    std::vector<std::string> args = with_help_word_as_flag(argc, argv);
    std::reverse(args.begin(), args.end());  // CLI11 takes them from the back
    app.parse(args);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() != static_cast<int>(CLI::ExitCodes::Success)) {
      return parse_failure(error);
    }
    app.exit(error, out, out);  // --help or --version
    return std::optional<CliRequest>();
  }
  const std::vector<CLI::App*> parsed = app.get_subcommands();
  const auto chosen = std::find_if(commands.begin(), commands.end(), [&](const auto& command) {
    return !parsed.empty() && command.app == parsed.front();
  });
  if (const Result<void> usage =
          check_usage(app, chosen == commands.end() ? nullptr : &*chosen, request);
      !usage) {
    return usage_failure(usage.error());
  }
  request.command = chosen->command;
  if (chosen->takes_ports) {
    if (const Result<void> taken = take_port_variable(request); !taken) {
      return Failure{taken.error()};
    }
  }
  if (request.ports.size() == 1) {
    request.port = request.ports.front();
  }
  return std::optional<CliRequest>(std::move(request));
}

}  // namespace quintrel::cli

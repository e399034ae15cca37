#include "sim/sim_options.h"

#include <CLI/CLI.hpp>

#include "device/token_parser.h"

namespace quintrel::sim {

std::optional<SimOptions> parse_sim_options(int argc, const char* const* argv, std::ostream& out,
                                            std::ostream& err, int& exit_code) {
  SimOptions options;
  CLI::App app{
      "Plays the CAN-bus device on a pseudo-terminal: prints the pty's path, then answers every "
      "command frame with one reply frame until it is stopped (Ctrl+C or SIGTERM)."};
  app.name("quintrel-sim");
  app.set_version_flag("--version", "quintrel-sim " QUINTREL_VERSION);

  app.add_option("--link", options.link, "Make a symbolic link PATH to the pty")
      ->option_text("PATH");
  app.add_option("--bitrate", options.start.bitrate_code, "Start bitrate code")
      ->check(CLI::Range(0, 4))
      ->option_text("0..4 (default 3)");
  std::string identifier;
  app.add_option("--id", identifier, "Start CAN identifier, hexadecimal")
      ->check([](const std::string& text) -> std::string {
        const bool ok = !text.empty() && text.size() <= 8 &&
                        text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        return ok ? "" : "a hexadecimal number of 1 to 8 digits";
      })
      ->option_text("HEX (default 7FF)");
  app.add_option("--state", options.state_file,
                 "Keep the committed values in FILE between runs (it wins over the start values)")
      ->option_text("FILE");
  app.add_flag("--pace", options.pace, "Send replies at the byte times of a 38400 8N1 line");
  app.add_flag("--monotonic-log", options.monotonic_log,
               "Stamp the frame log with the system's monotonic clock (the clock of "
               "quintrel-cli --precise-trace) instead of the time since start");
  app.add_option("--log", options.log_file, "Write the frame log to FILE instead of stderr")
      ->option_text("FILE");
  std::string fault = "none";
  std::vector<std::string> names;
  std::string modes;
  for (const std::string_view name : fault_names()) {
    names.emplace_back(name);
    modes += (modes.empty() ? "" : ", ") + names.back();
  }
  app.add_option("--fault", fault, "Misbehave on replies: " + modes)
      ->check(CLI::IsMember(names))
      ->option_text("MODE");
  app.add_option("--fault-from", options.faults.first, "First faulty reply, counting from 1")
      ->check(CLI::PositiveNumber)
      ->option_text("N (default 1)");
  app.add_option("--fault-count", options.faults.count, "Number of faulty replies (0: all)")
      ->check(CLI::NonNegativeNumber)
      ->option_text("N (default 0)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    exit_code = app.exit(error, out, err) == 0 ? 0 : 2;
    return std::nullopt;
  }
  if (!identifier.empty()) {
    options.start.identifier = text_to_u32(identifier, 16);
  }
  options.faults.mode = *fault_from_name(fault);
  exit_code = 0;
  return options;
}

}  // namespace quintrel::sim

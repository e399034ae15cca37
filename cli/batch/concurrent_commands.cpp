#include "cli/batch/concurrent_commands.h"

#include "link/clock.h"
#include "link/serial_device.h"
#include "base/utf8_text.h"
#include "cli/batch/batch_command.h"
#include "cli/cli_commands.h"
#include "cli/batch/port_probe.h"
#include "cli/port_targets.h"
#include "cli/batch/probe_command.h"
#include "platform/terminal.h"

namespace quintrel::cli {

std::optional<int> run_concurrent_command(const CliRequest& request, std::ostream& out,
                                          std::ostream& err) {
  if (request.command == CliCommand::kProbePort) {
    return run_probe_port(request.port, out);
  }
  if (request.command == CliCommand::kPorts && !request.probe) {
    return std::nullopt;
  }
  PortTargets targets;
  if (request.command != CliCommand::kPorts && !request.found) {
    targets = resolve_port_targets(request.ports, port_list_for(request.ports));
    if (!targets.error.empty()) {
      err << targets.error << '\n';
      return kExitUsage;
    }
    if (!targets.multi) {
      return std::nullopt;
    }
  }

  const std::unique_ptr<ChildRunner> runner = make_child_runner();
  BatchServices services{*runner, link_clock(), output_takes_cursor_control()};
  services.other_users = [](const std::vector<std::string>& names) {
    std::vector<std::u16string> wide;
    for (const std::string& name : names) {
      wide.push_back(utf16_from_utf8(name));
    }
    return serial_backend() != nullptr ? serial_backend()->other_users_warnings(wide)
                                       : std::vector<std::string>(names.size());
  };
  if (request.command == CliCommand::kPorts) {
    return run_port_probe(request, services, out, err);
  }
  std::vector<std::string> ports;
  if (request.found) {
    const std::optional<std::vector<std::string>> found = found_ports(request, services, err);
    if (!found) {
      return kExitUsage;
    }
    if (found->empty()) {
      return kExitFailure;
    }
    ports = *found;
  }
  for (const ScannedPort& port : targets.ports) {
    ports.push_back(utf8_from_utf16(port.name));
  }
  return run_port_batch(request, ports, services, out, err);
}

}  // namespace quintrel::cli

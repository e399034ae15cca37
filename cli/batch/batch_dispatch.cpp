#include "cli/batch/batch_dispatch.h"

#include "base/count_text.h"
#include "base/utf8_text.h"
#include "cli/batch/batch_command.h"
#include "cli/batch/probe_command.h"
#include "cli/batch/probe_job.h"
#include "cli/cli_commands.h"
#include "cli/port_targets.h"
#include "platform/stop_signals.h"
#include "platform/terminal.h"

namespace quintrel::cli {

namespace {

// --found: a run over the ports where a probe found a device. With no device anywhere the likelier
// cause is power or cabling, which exit 1 tells a station script.
int run_found(const CliRequest& request, BatchServices& batch, std::ostream& out,
              std::ostream& err) {
  const Result<FoundPorts> found = found_ports(request, batch);
  if (!found) {
    err << found.error() << '\n';
    return kExitUsage;
  }
  const bool interrupted = batch.stops->count() > 0;
  const int status =
      found->answering.empty() && found->context.failed.empty() && !interrupted
          ? kExitFailure
          : run_port_batch(request, found->answering, batch, out, err, found->context);
  if (!found->answering.empty() || interrupted) {
    return status;
  }
  // The ports that failed are reported above.
  err << "no device found on the " << count_text(found->probed, "port") << " probed\n";
  return kExitFailure;
}

}  // namespace

std::optional<int> run_batch_request(const CliRequest& request, const CliServices& services,
                                     std::ostream& out, std::ostream& err) {
  if (request.command == CliCommand::kProbePort) {
    return run_probe_job(request.port, services, out);
  }
  if (request.command == CliCommand::kPorts && !request.probe) {
    return std::nullopt;
  }
  Result<PortTargets> targets = PortTargets{};
  if (request.command != CliCommand::kPorts && !request.found) {
    targets =
        resolve_port_targets(request.ports, port_list_for(request.ports, services.port_scanner));
    if (!targets) {
      err << targets.error() << '\n';
      return kExitUsage;
    }
    if (!targets->batch) {
      return std::nullopt;
    }
  }

  const std::unique_ptr<ChildRunner> runner = make_child_runner();
  const std::unique_ptr<StopRequests> stops = hold_stop_signals();
  BatchServices batch{.runner = *runner,
                      .clock = services.clock,
                      .live = output_takes_cursor_control(),
                      .port_scanner = services.port_scanner,
                      .stops = stops.get(),
                      .recorder = services.recorder};
  if (request.command == CliCommand::kPorts) {
    return run_probe_command(request, batch, out, err);
  }
  if (request.found) {
    return run_found(request, batch, out, err);
  }
  std::vector<std::string> ports;
  for (const ScannedPort& port : targets->ports) {
    ports.push_back(utf8_from_utf16(port.name));
  }
  return run_port_batch(request, ports, batch, out, err,
                        {.listed = targets->ports, .failed = {}, .skipped = {}});
}

}  // namespace quintrel::cli

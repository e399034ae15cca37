// ports --probe: every candidate port asked for its bitrate at once, one child process each
// (port-job with a probe request), so that a dozen silent ports take about one reply time-out, not
// a dozen. Also the search behind --found.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "cli/batch/batch_command.h"
#include "cli/cli_arguments.h"
#include "cli/port_json.h"
#include "cli/port_targets.h"
#include "ports/port_list.h"

namespace quintrel::cli {

// The ports to probe: those named by -p, else the listed ports --match selects, else every
// listed port; each device once. A selector that names nothing is a usage error.
Result<PortTargets> probe_candidates(const CliRequest& request,
                                     const std::vector<ScannedPort>& listed);

struct ProbeReport {
  ScannedPort port;
  JsonObject result;  // port_json plus "probe" and its details
};

// The port's result from its probing child; nullopt for a fixed legacy name ("COM1".."COM10")
// that does not exist, which is left out without a word.
std::optional<ProbeReport> probe_report(const ScannedPort& port, const ChildEnd& end,
                                        std::uint32_t deadline_ms);

// "COM3(USB Serial Port): device, 500kbps" or "COM4: silent: Response reception timeout".
std::string probe_line(const ProbeReport& probed);

// Probes the candidates at once, each child stopped after deadline_ms (0: a probe's own
// deadline); on_result sees each result as it comes.
std::vector<ProbeReport> run_probes(const std::vector<ScannedPort>& candidates,
                                    std::uint32_t deadline_ms, BatchServices& services,
                                    const std::function<void(const ProbeReport&)>& on_result);

// ports --probe: a line (or with --json an object) per port as its probe ends. 0 when a device
// was found, 1 otherwise.
int run_probe_command(const CliRequest& request, BatchServices& services, std::ostream& out,
                      std::ostream& err);

// What the probes behind --found came to: the ports where a device answered, and what the run
// says of the others before its children start.
struct FoundPorts {
  std::vector<std::string> answering;  // the names of the ports where a device answered
  BatchContext context;                // the listed ports; failed and skipped ones
  std::size_t probed = 0;
};

// Which probed ports without a device are failures: with -p every port it selected (the run was
// asked for it), without -p a busy or garbled one (something is there but cannot be used); the
// others are left out as never selected.
bool failed_without_device(const ProbeReport& probed, bool selected);

// A failed port's result as its child would have given it: "port", "ok" false, "exit" (1 for a
// silent or garbled port, 3 for one that cannot be opened), "error", "probe".
JsonObject probe_failure_result(const ProbeReport& probed);

// --found: the candidate ports probed; fails with a usage error.
Result<FoundPorts> found_ports(const CliRequest& request, BatchServices& services);

}  // namespace quintrel::cli

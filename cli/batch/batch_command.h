// read, save and buzzer-off over many ports at once. Each port's job runs in a child process of
// this program (the hidden port-job command, cli/batch/port_job.h), so that a port whose driver
// hangs holds up only its own process; the child's JSON object is the port's result. A child that
// does not end by its deadline (job_deadline_ms), ends without an object or cannot start gets an
// object made here, with "ok" false and an "error".
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/batch/batch_children.h"
#include "cli/batch/port_result.h"
#include "cli/cli_arguments.h"
#include "cli/port_json.h"
#include "link/clock.h"
#include "platform/child_process.h"
#include "ports/port_list.h"

namespace quintrel::cli {

class LineRecorder;

inline constexpr int kExitSomePortFailed = 5;
// Ctrl+C, SIGTERM or a hang-up stopped the run (128 + SIGINT, as a shell shows a program ended
// by Ctrl+C).
inline constexpr int kExitInterrupted = 130;
// The pipe that standard output went into lost its reader during the run (128 + SIGPIPE, as a
// shell shows a program that a closed pipe ended); every port that had started still finished.
inline constexpr int kExitOutputClosed = 141;

// What a run over many ports takes from its surroundings.
struct BatchServices {
  ChildRunner& runner;
  Clock& clock;
  bool live = false;  // the output redraws lines (a terminal with cursor control)
  BatchLimits limits = {};
  PortScanner* port_scanner = nullptr;  // the port list probes choose from (null: fixed names)
  const StopRequests* stops = nullptr;  // Ctrl+C and SIGTERM during the run (null: none come)
  LineRecorder* recorder = nullptr;     // a save's record (cli/line/); null: none
};

// The child that runs the request's command on one port: port-job, its request, its deadline.
ChildJob port_child_job(const CliRequest& request, const std::string& port);

// What a run over many ports knows before its children start.
struct BatchContext {
  // The listed entries: a port's result carries its entry's "by_id" and "link", so that a glob's
  // results map back to the adapters and bench positions.
  std::vector<ScannedPort> listed;
  std::vector<JsonObject> failed;  // ports that failed before any child ran, as results
  std::string skipped;             // the ports left out and why, for the summary; empty if none
};

// Runs the request's command on every port; prints a result per port as it finishes (a JSON
// object per line with --json), the context's failed ports first, and a summary on err. A child
// that found other programs holding its port after a failed exchange says so in its object's
// "warning", which is repeated on a "warning: " line before the summary. 0 when every port
// succeeded, 5 otherwise. A run that was asked to stop says where each port stands (done,
// interrupted in which step, not started) and ends with kExitInterrupted; one whose output was
// closed says so and ends with kExitOutputClosed.
int run_port_batch(const CliRequest& request, const std::vector<std::string>& ports,
                   BatchServices& services, std::ostream& out, std::ostream& err,
                   const BatchContext& context = {});

}  // namespace quintrel::cli

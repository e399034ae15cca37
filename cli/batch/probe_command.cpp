#include "cli/batch/probe_command.h"

#include <algorithm>
#include <map>

#include "base/count_text.h"
#include "base/utf8_text.h"
#include "cli/batch/job_deadline.h"
#include "cli/batch/step_marks.h"
#include "cli/cli_commands.h"
#include "cli/port_json.h"
#include "cli/port_targets.h"

namespace quintrel::cli {

namespace {

class ProbeCollector final : public BatchObserver {
 public:
  ProbeCollector(const std::vector<ScannedPort>& candidates, std::uint32_t deadline_ms,
                 const std::function<void(const ProbeReport&)>& on_result)
      : candidates_(candidates), deadline_ms_(deadline_ms), on_result_(on_result) {}

  void job_started(std::size_t) override {}
  void job_ended(const ChildEnd& end) override {
    if (end.how == ChildEnd::How::kNotRun) {
      return;  // the run was interrupted before this port's turn
    }
    if (std::optional<ProbeReport> probed = probe_report(candidates_[end.job], end, deadline_ms_)) {
      on_result_(*probed);
      results.push_back(std::move(*probed));
    }
  }
  void tick() override {}
  // A probe ends within its short deadline; the run then says how far it got.
  void stopping(std::size_t) override {}

  std::vector<ProbeReport> results;

 private:
  const std::vector<ScannedPort>& candidates_;
  std::uint32_t deadline_ms_;
  const std::function<void(const ProbeReport&)>& on_result_;
};

bool is_device(const ProbeReport& probed) {
  return probed.result.value("probe", "") == "device";
}

}  // namespace

Result<PortTargets> probe_candidates(const CliRequest& request,
                                     const std::vector<ScannedPort>& listed) {
  if (!request.ports.empty()) {
    return resolve_port_targets(request.ports, listed);
  }
  if (!request.match.empty()) {
    // Only what the list holds: a plain name that is not listed selects nothing.
    Result<PortTargets> matched = resolve_port_targets({request.match}, listed);
    if (!matched) {
      return matched;
    }
    std::erase_if(matched->ports, [&listed](const ScannedPort& port) {
      return std::none_of(listed.begin(), listed.end(),
                          [&port](const ScannedPort& entry) { return entry.name == port.name; });
    });
    if (matched->ports.empty()) {
      return Failure{"--match " + request.match + " selects none of the listed ports"};
    }
    return matched;
  }
  // The whole list, each device once (COM1 and the /dev/ttyS0 the scan found are one).
  std::vector<std::string> names;
  for (const ScannedPort& port : listed) {
    names.push_back(utf8_from_utf16(port.name));
  }
  return resolve_port_targets(names, listed);
}

std::optional<ProbeReport> probe_report(const ScannedPort& port, const ChildEnd& end,
                                        std::uint32_t deadline_ms) {
  ProbeReport probed{port, port_json(port)};
  CliRequest probe;
  probe.command = CliCommand::kProbePort;
  const std::string failure = child_failure(end, deadline_ms, job_steps(probe));
  if (!failure.empty()) {
    probed.result["probe"] = "unavailable";
    probed.result["reason"] = failure;
    return probed;
  }
  JsonObject found = *last_json_object(end.out);
  if (found.value("probe", "") == "missing") {
    if (port.kind == PortKind::kLegacy) {
      return std::nullopt;
    }
    found["probe"] = "unavailable";
  }
  probed.result.update(found);
  return probed;
}

std::string probe_line(const ProbeReport& probed) {
  std::string line =
      utf8_from_utf16(probed.port.description.empty() ? probed.port.name
                                                      : format_port_entry(probed.port)) +
      ": " + probed.result.value("probe", "");
  if (is_device(probed)) {
    return line + ", " + probed.result.value("bitrate", "");
  }
  return line + ": " + probed.result.value("reason", "");
}

std::vector<ProbeReport> run_probes(const std::vector<ScannedPort>& candidates,
                                    std::uint32_t deadline_ms, BatchServices& services,
                                    const std::function<void(const ProbeReport&)>& on_result) {
  CliRequest probe;
  probe.command = CliCommand::kProbePort;
  probe.deadline_ms = deadline_ms;
  std::vector<ChildJob> jobs;
  for (const ScannedPort& port : candidates) {
    jobs.push_back(port_child_job(probe, utf8_from_utf16(port.name)));
  }
  ProbeCollector collector(candidates, job_deadline_ms(probe), on_result);
  run_batch_children(services.runner, services.clock, jobs, services.limits, services.stops,
                     collector);
  return std::move(collector.results);
}

int run_probe_command(const CliRequest& request, BatchServices& services, std::ostream& out,
                      std::ostream& err) {
  const Result<PortTargets> candidates =
      probe_candidates(request, port_list_entries(services.port_scanner));
  if (!candidates) {
    err << candidates.error() << '\n';
    return kExitUsage;
  }
  const std::vector<ProbeReport> probed =
      run_probes(candidates->ports, request.deadline_ms, services, [&](const ProbeReport& result) {
        out << (request.json ? json_text(result.result) : probe_line(result)) << '\n' << std::flush;
      });
  const auto devices = std::count_if(probed.begin(), probed.end(), is_device);
  err << "a device on " << devices << " of " << count_text(probed.size(), "port") << " probed\n";
  if (services.stops != nullptr && services.stops->count() > 0) {
    err << "interrupted: " << candidates->ports.size() - probed.size() << " ports not probed\n";
    return kExitInterrupted;
  }
  return devices > 0 ? kExitSuccess : kExitFailure;
}

bool failed_without_device(const ProbeReport& probed, bool selected) {
  const std::string outcome = probed.result.value("probe", "");
  return outcome != "device" && (selected || outcome == "busy" || outcome == "garbled");
}

JsonObject probe_failure_result(const ProbeReport& probed) {
  const std::string outcome = probed.result.value("probe", "");
  const bool answered_wrong = outcome == "silent" || outcome == "garbled";
  return {{"port", utf8_from_utf16(probed.port.name)},
          {"ok", false},
          {"exit", answered_wrong ? kExitFailure : kExitCannotOpen},
          {"error", probed.result.value("reason", "")},
          {"probe", outcome}};
}

Result<FoundPorts> found_ports(const CliRequest& request, BatchServices& services) {
  const std::vector<ScannedPort> listed = port_list_entries(services.port_scanner);
  const Result<PortTargets> candidates = probe_candidates(request, listed);
  if (!candidates) {
    return Failure{candidates.error()};
  }
  FoundPorts found;
  found.context.listed = listed;
  const std::vector<ProbeReport> probed =
      run_probes(candidates->ports, request.deadline_ms, services, [](const ProbeReport&) {});
  found.probed = probed.size();
  std::map<std::string, std::size_t> skipped;  // by what the probe found
  for (const ProbeReport& result : probed) {
    if (is_device(result)) {
      found.answering.push_back(utf8_from_utf16(result.port.name));
    } else if (failed_without_device(result, !request.ports.empty())) {
      found.context.failed.push_back(probe_failure_result(result));
    } else {
      ++skipped[result.result.value("probe", "")];
    }
  }
  std::size_t skipped_count = 0;
  std::string reasons;
  for (const auto& [outcome, count] : skipped) {
    skipped_count += count;
    reasons += (reasons.empty() ? "" : ", ") + std::to_string(count) + " " + outcome;
  }
  if (skipped_count > 0) {
    found.context.skipped = "skipped " + count_text(skipped_count, "listed port") +
                            " where no device answered (" + reasons + ")";
  }
  return found;
}

}  // namespace quintrel::cli

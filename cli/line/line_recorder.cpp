#include "cli/line/line_recorder.h"

#include <sstream>

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "cli/argument_forms.h"
#include "cli/batch/port_job.h"
#include "cli/batch/port_result.h"
#include "cli/batch/step_marks.h"
#include "cli/line/record_opening.h"
#include "cli/line/save_settling.h"
#include "cli/port_targets.h"
#include "platform/environment.h"
#include "platform/station_names.h"

namespace quintrel::cli {

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The request as its job runs it: with the identifier taken from a pool, when there is one.
CliRequest with_taken(const CliRequest& request, std::optional<std::uint32_t> identifier) {
  CliRequest taken = request;
  if (identifier) {
    taken.identifier = utf16_from_utf8(hex_text(*identifier));
  }
  return taken;
}

}  // namespace

LineRecorder::LineRecorder(std::unique_ptr<record::LineRecord> record, bool required,
                           std::string station, std::string operator_name, PortScanner* scanner)
    : record_(std::move(record)),
      required_(required),
      station_(std::move(station)),
      operator_name_(std::move(operator_name)),
      scanner_(scanner) {}

Result<std::optional<std::uint32_t>> LineRecorder::take(const CliRequest& request,
                                                        const std::string& port) {
  if (!request.line.id_from) {
    return std::optional<std::uint32_t>();
  }
  const IdentifierRange range = *request.line.id_from;
  Result<std::uint32_t> taken = record_->take_identifier(range.first, range.last, station_, port);
  if (!taken) {
    return Failure{taken.error() + ": no identifier of " + hex_text(range.first) + "-" +
                   hex_text(range.last) + " for " + port};
  }
  return std::optional<std::uint32_t>(*taken);
}

int LineRecorder::run_one_port(const CliRequest& request, const CliServices& services,
                               std::ostream& out, std::ostream& err) {
  Started started{{}, std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
  const Result<std::optional<std::uint32_t>> taken = take(request, request.port);
  if (!taken) {
    err << taken.error() << ": no device was touched\n";
    return kExitRecordFailed;
  }
  started.identifier = *taken;
  const CliRequest with_identifier = with_taken(request, started.identifier);
  // The steps the save began tell whether its identifier was sent.
  std::ostringstream marks;
  StepMarkingBackend marking(services.serial_backend, marks);
  const CliServices marked{marking, services.port_scanner, services.clock};
  JsonObject result = JsonObject::object();  // stays empty when no port was selected
  const int status = run_cli_command(with_identifier, marked, out, err, &result);
  finish(with_identifier, started, result, last_step_begun(marks.str()), err);
  return final_status(status);
}

Result<void> LineRecorder::prepare_job(const CliRequest& request, std::size_t job,
                                       const std::string& port, ChildJob& child,
                                       std::ostream& err) {
  if (const auto prepared = started_.find(job); prepared != started_.end()) {
    // Tried again after the system had no room: only a record that failed since stops it, and
    // the identifier it holds, never sent, goes back.
    if (!failed_) {
      return {};
    }
    if (prepared->second.identifier) {
      if (const Result<void> freed = record_->free_identifier(*prepared->second.identifier);
          !freed) {
        err << freed.error() << ": identifier " << hex_text(*prepared->second.identifier)
            << " stays uncertain; " << port << " was not touched\n";
      }
    }
    started_.erase(prepared);
  }
  if (failed_) {
    return Failure{"not started: the record failed before it, so no further device was touched"};
  }
  if (!record_) {
    return {};
  }
  Started started{{}, std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
  const Result<std::optional<std::uint32_t>> taken = take(request, port);
  if (!taken) {
    failed_ = true;
    err << taken.error() << ": " << port << " and the ports after it were not touched\n";
    return Failure{"not started: " + taken.error()};
  }
  started.identifier = *taken;
  if (started.identifier) {
    child.input = port_job_text(with_taken(request, started.identifier), port, this_process_id());
  }
  started_[job] = started;
  return {};
}

void LineRecorder::job_ended(const CliRequest& request, const ChildEnd& end,
                             const JsonObject& result, std::ostream& err) {
  const auto it = started_.find(end.job);
  if (it == started_.end()) {
    return;  // never started, or no record to keep it in
  }
  const Started started = it->second;
  started_.erase(it);
  // A child whose output was lost may have got anywhere; one that never ran got nowhere.
  std::optional<int> last_step = last_step_begun(end.err);
  if (end.how == ChildEnd::How::kLost) {
    last_step.reset();
  } else if (end.how == ChildEnd::How::kNotStarted || end.how == ChildEnd::How::kNotRun) {
    last_step = 0;
  }
  finish(with_taken(request, started.identifier), started, result, last_step, err);
}

void LineRecorder::finish(const CliRequest& request, const Started& started,
                          const JsonObject& result, std::optional<int> last_step,
                          std::ostream& err) {
  if (!record_) {
    return;
  }
  const bool ok = result.value("ok", false);
  const std::string port = result_port(request, result);
  const std::string device = "the device on " + port;
  const std::string after = ok ? device + " WAS configured (bitrate " +
                                     bitrate_text(request.bitrate) + ", identifier " +
                                     utf8_from_utf16(request.identifier) + ") but its save"
                               : "the failed save of " + port;
  if (started.identifier) {
    const Settlement settlement = settlement_for(ok, last_step, identifier_step(request));
    const Result<void> settled =
        settlement == Settlement::kFree
            ? record_->free_identifier(*started.identifier)
            : record_->settle_identifier(*started.identifier,
                                         settlement == Settlement::kGiven
                                             ? record::IdentifierState::kGiven
                                             : record::IdentifierState::kUncertain);
    if (!settled) {
      record_failed(settled.error(),
                    after + " is not recorded; identifier " + hex_text(*started.identifier) +
                        " stays held as uncertain, so it is not given again",
                    err);
      return;
    }
  }
  SaveFacts facts;
  facts.time = record::utc_time_text(started.at);
  facts.station = station_;
  facts.operator_name = operator_name_;
  facts.label = request.line.label;
  facts.duration_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started.began)
                          .count();
  facts.entry = entry_of(port);
  const Result<void> added = record_->add_save(save_row(request, result, last_step, facts));
  if (!added) {
    record_failed(added.error(), after + " is not recorded", err);
  }
}

void LineRecorder::record_failed(const std::string& cause, const std::string& after,
                                 std::ostream& err) {
  const std::string said = cause + ": " + after;
  if (required_) {
    err << said << '\n';
    failed_ = true;
  } else {
    // The default record is a convenience: said once, then the run goes on without it.
    err << "warning: " << said << "; this run's further saves go unrecorded (--no-record turns "
        << "the record off)\n";
    record_.reset();
  }
}

const ScannedPort* LineRecorder::entry_of(const std::string& port) {
  if (!listed_) {
    listed_ = port_list_entries(scanner_);
  }
  const std::string identity = system_port_identity(port);
  for (const ScannedPort& entry : *listed_) {
    if (system_port_identity(utf8_from_utf16(entry.name)) == identity) {
      return &entry;
    }
  }
  return nullptr;
}

Result<std::unique_ptr<LineRecorder>> open_save_recorder(const CliRequest& request,
                                                         PortScanner* scanner, std::ostream& err) {
  const Result<std::optional<RecordPlace>> found =
      record_place(request.line, false, environment_variable, kWindows);
  if (!found) {
    return Failure{found.error() + ": no device was touched"};
  }
  if (!*found) {
    return std::unique_ptr<LineRecorder>();
  }
  const RecordPlace* place = &**found;
  Result<std::unique_ptr<record::LineRecord>> opened = open_line_record(place->where);
  if (!opened) {
    const std::string said = opened.error();
    if (place->required) {
      return Failure{said + ": no device was touched"};
    }
    err << "warning: " << said << ": this save goes unrecorded (--no-record turns the record "
        << "off)\n";
    return std::unique_ptr<LineRecorder>();
  }
  std::string station = request.line.station;
  if (station.empty()) {
    const Result<std::string> host = host_name();
    station = host ? *host : std::string();
    if (!host) {
      err << "warning: the host name cannot be read (" << host.error()
          << "): the record names no station; give --station NAME\n";
    }
  }
  const Result<std::string> user = user_name();
  if (!user) {
    err << "warning: the user's name cannot be read (" << user.error()
        << "): the record names no operator\n";
  }
  return std::make_unique<LineRecorder>(std::move(*opened), place->required, station,
                                        user ? *user : std::string(), scanner);
}

Result<std::unique_ptr<record::LineRecord>> open_command_record(const CliRequest& request) {
  const Result<std::optional<RecordPlace>> found =
      record_place(request.line, true, environment_variable, kWindows);
  if (!found) {
    return Failure{found.error()};
  }
  return open_line_record((*found)->where);
}

}  // namespace quintrel::cli

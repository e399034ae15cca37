// A save's record: each port's save is added to the line's record, and with --id-from each port
// gets the lowest identifier of the pool that the record has not given out, taken right before its
// save starts and settled after it (given, back in the pool, or uncertain). A record that cannot
// be written stops the run before any further device is touched.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/result.h"
#include "cli/batch/batch_children.h"
#include "cli/cli_arguments.h"
#include "cli/cli_commands.h"
#include "cli/cli_services.h"
#include "cli/line/record_place.h"
#include "cli/port_json.h"
#include "platform/child_process.h"
#include "ports/port_list.h"
#include "record/line_record.h"

namespace quintrel::cli {

class LineRecorder {
 public:
  LineRecorder(std::unique_ptr<record::LineRecord> record, bool required, std::string station,
               std::string operator_name, PortScanner* scanner);

  // One port's save in this process, with its record around it.
  int run_one_port(const CliRequest& request, const CliServices& services, std::ostream& out,
                   std::ostream& err);

  // Right before job (a port's child) starts: its identifier from the pool into its request. A
  // failure (said on err) leaves the job and every one after it unstarted.
  Result<void> prepare_job(const CliRequest& request, std::size_t job, const std::string& port,
                           ChildJob& child, std::ostream& err);

  // A job's end: its identifier settled, its row added. result is the port's result object.
  void job_ended(const CliRequest& request, const ChildEnd& end, const JsonObject& result,
                 std::ostream& err);

  // A record that was asked for (not the default one of a plain save).
  bool required() const { return required_; }

  // kExitRecordFailed once the record failed, else status.
  int final_status(int status) const { return failed_ ? kExitRecordFailed : status; }

 private:
  struct Started {
    std::optional<std::uint32_t> identifier;
    std::chrono::system_clock::time_point at;
    std::chrono::steady_clock::time_point began;
  };

  Result<std::optional<std::uint32_t>> take(const CliRequest& request, const std::string& port);
  // Settles and records one port's save; its request carries the identifier it wrote.
  void finish(const CliRequest& request, const Started& started, const JsonObject& result,
              std::optional<int> last_step, std::ostream& err);
  void record_failed(const std::string& cause, const std::string& after, std::ostream& err);
  const ScannedPort* entry_of(const std::string& port);

  std::unique_ptr<record::LineRecord> record_;
  bool required_;
  std::string station_;
  std::string operator_name_;
  PortScanner* scanner_;
  std::optional<std::vector<ScannedPort>> listed_;
  std::map<std::size_t, Started> started_;
  bool failed_ = false;
};

// The recorder a save runs with: null with --no-record, or when the default record cannot be
// opened (said on err as one warning). A record that was asked for and cannot be opened is a
// failure whose message names it and says that no device was touched.
Result<std::unique_ptr<LineRecorder>> open_save_recorder(const CliRequest& request,
                                                         PortScanner* scanner, std::ostream& err);

// The record the record command works on; a failure names it.
Result<std::unique_ptr<record::LineRecord>> open_command_record(const CliRequest& request);

}  // namespace quintrel::cli

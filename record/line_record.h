// The production line's record: every save a station made, and the identifiers the line has given
// out, in an SQLite file (one station) or a PostgreSQL database (every station of a line).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace quintrel::record {

// One save as the record keeps it. Values are texts as quintrel-cli shows them ("500kbps",
// "7FF"); an empty text is a value that was not read, not written or not asked for.
struct SaveRow {
  std::string time;                // UTC, ISO 8601 with milliseconds: "2026-12-10T05:40:00.123Z"
  std::string station;             // --station, default the host name
  std::string operator_name;       // the user who ran the save
  std::string port;                // the port's name as opened
  std::string by_id;               // Linux: its /dev/serial/by-id/ path
  std::string usb_id;              // "0403:6001"
  std::string usb_serial;          // the adapter's USB serial number
  std::string label;               // --label (a scanned serial)
  std::string bitrate_before;      // read before writing
  std::string identifier_before;   // read before writing
  std::string bitrate_written;     // what the save wrote
  std::string identifier_written;  // what the save wrote
  std::string identifier_source;   // "given" (--id) or "pool" (--id-from)
  std::string verify;              // "ok", "mismatch", or empty when not asked
  bool ok = false;                 // the save (and the verify, when asked) succeeded
  std::string message;             // the outcome in words, as the station showed it
  int exit_code = 0;               // the port's exit code
  std::int64_t duration_ms = 0;
};

// Where an identifier of a pool stands. One that is not in the record is free.
enum class IdentifierState {
  kUncertain,  // taken for a save that has not ended well (also: one in progress, or a station
               // that died during it); not given again until released
  kGiven,      // written, committed (and verified when asked): given for good
};

struct IdentifierEntry {
  std::uint32_t identifier = 0;
  IdentifierState state = IdentifierState::kUncertain;
  std::string station;
  std::string port;
  std::string time;  // when it was taken or last settled, as in SaveRow
};

// A time as SaveRow and the record keep it: UTC with milliseconds, "2026-12-10T05:40:00.123Z".
std::string utc_time_text(std::chrono::system_clock::time_point time);

// Which rows a listing shows; an empty field does not filter.
struct RowFilter {
  std::string identifier;  // identifier_written, as "7FF"
  std::string station;
  std::string label;
  std::string since;  // time >= since (an ISO 8601 prefix such as "2026-12-10")
  std::string until;  // time < until
};

class LineRecord {
 public:
  virtual ~LineRecord() = default;

  // The record's place in words, for messages ("sqlite:/home/op/.local/share/quintrel/record.db",
  // or a PostgreSQL address without its password).
  virtual std::string where() const = 0;

  // Takes the lowest identifier of first..last that the record does not hold, in one transaction,
  // and holds it as kUncertain for this station and port. Two takers never get the same one, from
  // any number of processes or stations. A failure when the range is used up says so.
  virtual Result<std::uint32_t> take_identifier(std::uint32_t first, std::uint32_t last,
                                                const std::string& station,
                                                const std::string& port) = 0;
  // The save that took it ended: kGiven, or still kUncertain (the identifier was sent, the save
  // failed after). free_identifier puts one back when the save failed before sending it.
  virtual Result<void> settle_identifier(std::uint32_t identifier, IdentifierState state) = 0;
  virtual Result<void> free_identifier(std::uint32_t identifier) = 0;
  // quintrel-cli record --release: frees an identifier that is kUncertain; refuses a given one.
  virtual Result<void> release_identifier(std::uint32_t identifier) = 0;
  virtual Result<std::vector<IdentifierEntry>> identifiers() = 0;

  // Keeps a save's row; the identifier a successful save wrote with --id becomes kGiven (over an
  // uncertain holder, not a given one), so no pool gives it to another device.
  virtual Result<void> add_save(const SaveRow& row) = 0;
  virtual Result<std::vector<SaveRow>> saves(const RowFilter& filter) = 0;
  // Takes a station's exported rows; the identifier each successful row wrote from a pool becomes
  // kGiven whoever held it, one written with --id as in add_save. Rows already in the record (same
  // time, station and port) are skipped. Returns how many rows were added.
  virtual Result<std::size_t> import_saves(const std::vector<SaveRow>& rows) = 0;
};

// "sqlite:PATH" or "postgresql://..." (also "postgres://..."); the schema is made or upgraded in
// place on open.
Result<std::unique_ptr<LineRecord>> open_record(const std::string& where);

}  // namespace quintrel::record

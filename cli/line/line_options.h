// The options of a production line's record: where it is, which station and operator a save is
// recorded for, the pool --id-from takes identifiers from, and the record command's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace CLI {
class App;
}

namespace quintrel::cli {

// A range of identifiers the record gives out from, FIRST-LAST.
struct IdentifierRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

struct LineOptions {
  std::optional<IdentifierRange> id_from;  // save: the pool the record gives from
  std::string record;                      // --record WHERE; empty: QUINTREL_RECORD or default
  bool no_record = false;                  // save: record nothing
  std::string station;                     // empty: the host name
  std::string label;                       // save: a scanned serial; record: a filter
  // The save reads the device's values before it writes, for a record that was asked for (the
  // default record leaves a plain save's exchanges as they are).
  bool read_before = false;
  // The record command: listing form and filters, or one of its other tasks.
  bool csv = false;
  std::string identifier;  // --id as "7FF"
  std::string since;
  std::string until;
  std::optional<std::uint32_t> release;
  std::string import_file;
};

// The longest --station and --label a record keeps, in bytes: a scanned serial or a station's
// name is a few dozen; PostgreSQL's index on a label holds at most about 2700 bytes.
inline constexpr std::size_t kLongestName = 256;

// The variable that names the record when --record is absent.
inline constexpr char kRecordVariable[] = "QUINTREL_RECORD";

// "100-17F" (hexadecimal, either case, each at most 7FF, FIRST <= LAST); nullopt for anything
// else.
std::optional<IdentifierRange> identifier_range_from_argument(std::string_view text);

// save's options of the record.
void add_line_save_options(CLI::App& save, LineOptions& options);

// The record command and its options.
CLI::App* add_record_command(CLI::App& app, LineOptions& options, bool& json);

// What is wrong in save's record options (given together where they exclude each other); id_given:
// save's --id was given.
Result<void> check_line_save_usage(const LineOptions& options, bool id_given);

// What is wrong in the record command's options: it does one thing at a time.
Result<void> check_record_usage(const LineOptions& options, bool json);

}  // namespace quintrel::cli

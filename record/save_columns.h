// The saves table's columns and the conversions between SaveRow and the database's values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "record/line_record.h"
#include "record/sql_session.h"

namespace quintrel::record {

// "time, station, ..., duration_ms": the order of save_row_values and save_row_from.
extern const char* const kSaveColumns;
// "$1, $2, ..." for each of them.
std::string save_placeholders();

std::vector<SqlValue> save_row_values(const SaveRow& row);
Result<SaveRow> save_row_from(const SqlRow& columns);

// " WHERE ..." (or nothing) and its parameters for a listing's filter.
struct FilterClause {
  std::string where;
  std::vector<SqlValue> parameters;
};
Result<FilterClause> filter_clause(const RowFilter& filter);

// Identifiers as the record's texts show them ("7FF"), and back: one to eight hex digits.
Result<std::uint32_t> identifier_from_text(const std::string& text);
// A column's whole number, or why it is not one.
Result<std::int64_t> integer_from(const std::optional<std::string>& column);

// Now in UTC, as SaveRow::time: "2026-12-10T05:40:00.123Z".
std::string utc_time_now();

}  // namespace quintrel::record

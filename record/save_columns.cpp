#include "record/save_columns.h"

#include <charconv>
#include <chrono>

#include "base/ascii_text.h"

namespace quintrel::record {
namespace {

constexpr std::size_t kSaveColumnCount = 18;
// The largest identifier an extended (29-bit) CAN frame carries fits in eight hex digits.
constexpr std::size_t kIdentifierDigitsMaximum = 8;

}  // namespace

const char* const kSaveColumns =
    "time, station, operator_name, port, by_id, usb_id, usb_serial, label, bitrate_before,"
    " identifier_before, bitrate_written, identifier_written, identifier_source, verify, ok,"
    " message, exit_code, duration_ms";

std::string save_placeholders() {
  std::string text;
  for (std::size_t number = 1; number <= kSaveColumnCount; ++number) {
    text += (number == 1 ? "$" : ", $") + std::to_string(number);
  }
  return text;
}

std::vector<SqlValue> save_row_values(const SaveRow& row) {
  return {row.time,
          row.station,
          row.operator_name,
          row.port,
          row.by_id,
          row.usb_id,
          row.usb_serial,
          row.label,
          row.bitrate_before,
          row.identifier_before,
          row.bitrate_written,
          row.identifier_written,
          row.identifier_source,
          row.verify,
          std::int64_t{row.ok ? 1 : 0},
          row.message,
          std::int64_t{row.exit_code},
          row.duration_ms};
}

Result<SaveRow> save_row_from(const SqlRow& columns) {
  if (columns.size() != kSaveColumnCount) {
    return Failure{"a save row has the wrong columns"};
  }
  auto text = [&](std::size_t index) { return columns[index].value_or(std::string()); };
  auto ok = integer_from(columns[14]);
  auto exit_code = integer_from(columns[16]);
  auto duration = integer_from(columns[17]);
  if (!ok || !exit_code || !duration) {
    return Failure{"a save row of " + text(0) + " holds a bad number: " + ok.error() +
                   exit_code.error() + duration.error()};
  }
  return SaveRow{text(0),
                 text(1),
                 text(2),
                 text(3),
                 text(4),
                 text(5),
                 text(6),
                 text(7),
                 text(8),
                 text(9),
                 text(10),
                 text(11),
                 text(12),
                 text(13),
                 *ok != 0,
                 text(15),
                 static_cast<int>(*exit_code),
                 *duration};
}

Result<FilterClause> filter_clause(const RowFilter& filter) {
  FilterClause clause;
  auto add = [&](const char* condition, std::string value) {
    clause.where += clause.parameters.empty() ? " WHERE " : " AND ";
    clause.parameters.emplace_back(std::move(value));
    clause.where += condition + std::to_string(clause.parameters.size());
  };
  if (!filter.identifier.empty()) {
    auto identifier = identifier_from_text(filter.identifier);
    if (!identifier) {
      return Failure{identifier.error()};
    }
    add("identifier_written = $", hex_text(*identifier));
  }
  if (!filter.station.empty()) {
    add("station = $", filter.station);
  }
  if (!filter.label.empty()) {
    add("label = $", filter.label);
  }
  if (!filter.since.empty()) {
    add("time >= $", filter.since);
  }
  if (!filter.until.empty()) {
    add("time < $", filter.until);
  }
  return clause;
}

Result<std::uint32_t> identifier_from_text(const std::string& text) {
  std::uint32_t value = 0;
  for (char c : text) {
    if (hex_digit_value(c) < 0 || text.size() > kIdentifierDigitsMaximum) {
      return Failure{"\"" + text + "\" is not an identifier in hexadecimal digits"};
    }
    value = value * 16 + static_cast<std::uint32_t>(hex_digit_value(c));
  }
  if (text.empty()) {
    return Failure{"an identifier is empty"};
  }
  return value;
}

Result<std::int64_t> integer_from(const std::optional<std::string>& column) {
  std::int64_t value = 0;
  const std::string text = column.value_or(std::string());
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return Failure{"\"" + text + "\" is not a whole number"};
  }
  return value;
}

std::string utc_time_now() {
  return utc_time_text(std::chrono::system_clock::now());
}

}  // namespace quintrel::record

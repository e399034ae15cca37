// The record's saves as quintrel-cli prints them (a JSON array, CSV) and the file a browser
// station exports and `record --import` takes: {"format":"quintrel-record","version":1,"rows":[..]}
// with each row as in the JSON listing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "cli/port_json.h"
#include "record/line_record.h"

namespace quintrel::cli {

inline constexpr char kExportFormat[] = "quintrel-record";
inline constexpr int kExportVersion = 1;

// A row as an object with SaveRow's field names ("operator" for operator_name), in its order.
JsonObject save_row_json(const record::SaveRow& row);

// The rows as one JSON array, on one line.
std::string saves_json_text(const std::vector<record::SaveRow>& rows);

// A header line of the same names, then a line per row; fields quoted as RFC 4180 says, lines
// ended by CR LF.
std::string saves_csv_text(const std::vector<record::SaveRow>& rows);

// The rows of an export file's text; file names it in the failure, which says what is wrong
// (and in which row).
Result<std::vector<record::SaveRow>> parse_export(std::string_view text, const std::string& file);

}  // namespace quintrel::cli

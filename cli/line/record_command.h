// quintrel-cli record: the line's record listed (text, --json, --csv, with filters), an uncertain
// identifier released, or a browser station's exported rows imported.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_arguments.h"
#include "record/line_record.h"

namespace quintrel::cli {

// The largest export file record --import reads; a row is a few hundred bytes.
inline constexpr std::size_t kImportFileMax = 64 * 1024 * 1024;

// A save as a line of the text listing: time, station, port, identifier written, outcome, label.
std::string save_line(const record::SaveRow& row);

// The line for an identifier the record holds as uncertain, saying how it is released.
std::string uncertain_line(const record::IdentifierEntry& entry);

// Opens the record and does the request's task; returns the exit status.
int run_record_command(const CliRequest& request, std::ostream& out, std::ostream& err);

}  // namespace quintrel::cli

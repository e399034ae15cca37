// Opens the line's record where a command was told to keep it.
#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "record/line_record.h"

namespace quintrel::cli {

// The record at where (an SQLite file's folders are made as it opens); no place at all, as for a
// service without a home folder, is a failure that says how to name one.
Result<std::unique_ptr<record::LineRecord>> open_line_record(const std::string& where);

// A failure of the record (which starts with "The record WHERE") as the cause in a message of the
// command line's that names the record already: the failure without that start.
std::string record_cause(const std::string& failure, const std::string& where);

}  // namespace quintrel::cli

// Opens the line's record where a command was told to keep it.
#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "record/line_record.h"

namespace quintrel::cli {

// An SQLite file's folder is made first, so that the default record needs no set-up.
Result<std::unique_ptr<record::LineRecord>> open_line_record(const std::string& where);

// A failure of the record (which starts with "The record WHERE") as the cause in a message of the
// command line's that names the record already: the failure without that start.
std::string record_cause(const std::string& failure, const std::string& where);

}  // namespace quintrel::cli

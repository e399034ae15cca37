// The record in an SQLite file: one station's, needing no set-up.
#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "record/line_record.h"

namespace quintrel::record {

// Opens (or makes, with its folders) the SQLite file at path.
Result<std::unique_ptr<LineRecord>> open_sqlite_record(const std::string& path);

}  // namespace quintrel::record

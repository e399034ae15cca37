// The record in an SQLite file: one station's, needing no set-up.
#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "record/line_record.h"

namespace quintrel::record {

// Opens (or makes, with its folders) the SQLite file at path.
Result<std::unique_ptr<LineRecord>> open_sqlite_record(const std::string& path);

// The record a station uses when none is named: "sqlite:" and the user's data folder's
// quintrel/record.db ($XDG_DATA_HOME, else ~/.local/share). Fails when neither is known.
Result<std::string> default_record_where();

}  // namespace quintrel::record

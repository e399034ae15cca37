// The record in a PostgreSQL database that every station of a line shares.
#pragma once

#include <memory>
#include <string>

#include "base/result.h"
#include "record/line_record.h"

namespace quintrel::record {

// Connects to address ("postgresql://..." or "postgres://...", as libpq reads it).
Result<std::unique_ptr<LineRecord>> open_postgres_record(const std::string& address);

}  // namespace quintrel::record

// The record's tables, made or upgraded in place when a record is opened (docs/record.md).
#pragma once

#include "base/result.h"
#include "record/sql_session.h"

namespace quintrel::record {

// The version this program writes; a record of a later one is refused, not changed.
constexpr int kSchemaVersion = 2;

// Brings the record's schema to kSchemaVersion, one version at a time, in one exclusive
// transaction, so two stations opening a new record at once make it once.
Result<void> upgrade_schema(SqlSession& session);

}  // namespace quintrel::record

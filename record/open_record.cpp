#include "record/line_record.h"
#include "record/postgres_record.h"
#include "record/record_address.h"
#include "record/sqlite_record.h"

namespace quintrel::record {

Result<std::unique_ptr<LineRecord>> open_record(const std::string& where) {
  constexpr std::string_view kSqlite = "sqlite:";
  if (where.starts_with(kSqlite)) {
    return open_sqlite_record(where.substr(kSqlite.size()));
  }
  if (where.starts_with("postgresql://") || where.starts_with("postgres://")) {
    return open_postgres_record(where);
  }
  return Failure{"The record \"" + address_without_password(where) +
                 "\" is neither sqlite:PATH nor postgresql://...: name the kind of record first"};
}

}  // namespace quintrel::record

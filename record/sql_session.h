// One connection to a record's database, as the record's logic sees it: statements with numbered
// parameters ($1, $2, ...; SQLite and PostgreSQL both read them), every result column as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/result.h"

namespace quintrel::record {

using SqlValue = std::variant<std::int64_t, std::string>;
// A column that is NULL has no text.
using SqlRow = std::vector<std::optional<std::string>>;
using SqlRows = std::vector<SqlRow>;

// Durability: a statement outside an exclusive transaction is committed without waiting for the
// disk (it is lost only with the machine's power, and then only as far as an identifier's
// settling, freeing or release, which leave it uncertain, or a save's row). An exclusive
// transaction's commit waits for the disk, and so makes everything committed before it durable
// too: a taken identifier is on disk before any device is sent it.
class SqlSession {
 public:
  virtual ~SqlSession() = default;

  virtual Result<SqlRows> run(const std::string& statement,
                              const std::vector<SqlValue>& parameters = {}) = 0;
  // Starts a transaction that no other writer of the record runs beside: concurrent takers of
  // identifiers, imports and schema upgrades from any process wait for each other here.
  virtual Result<void> begin_exclusive() = 0;
  // Commits it (waiting for the disk) or rolls it back. A commit that fails may leave the
  // transaction open; a rollback then ends it.
  virtual Result<void> end_exclusive(bool commit) = 0;
  // The column definition of a table's own row number, which the two databases spell differently.
  virtual std::string row_number_column() const = 0;
};

// Runs work in an exclusive transaction: committed when it succeeds, rolled back when it fails
// (the failure says so when the rollback fails too).
template <typename Work>
auto exclusively(SqlSession& session, const Work& work) -> decltype(work()) {
  if (auto begun = session.begin_exclusive(); !begun) {
    return Failure{begun.error()};
  }
  auto done = work();
  std::string failure;
  if (done) {
    auto committed = session.end_exclusive(true);
    if (committed) {
      return done;
    }
    failure = "the commit failed: " + committed.error();
  } else {
    failure = done.error();
  }
  if (auto rolled_back = session.end_exclusive(false); !rolled_back) {
    failure += " (and the rollback failed: " + rolled_back.error() + ")";
  }
  return Failure{failure};
}

}  // namespace quintrel::record

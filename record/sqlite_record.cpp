#include "record/sqlite_record.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "record/record_schema.h"
#include "record/sql_line_record.h"
#include "record/sql_session.h"

namespace quintrel::record {
namespace {

// How long a statement waits for another station's process to finish its transaction. Each of
// those lasts milliseconds; a wait this long means the file is held by something stuck.
constexpr int kBusyTimeoutMs = 15000;
// How often a busy switch to WAL is tried again: often enough not to add to a start.
constexpr int kBusyRetryMs = 50;

class SqliteSession : public SqlSession {
 public:
  explicit SqliteSession(sqlite3* database) : database_(database) {}
  ~SqliteSession() override { sqlite3_close_v2(database_); }
  SqliteSession(const SqliteSession&) = delete;
  SqliteSession& operator=(const SqliteSession&) = delete;

  Result<SqlRows> run(const std::string& statement,
                      const std::vector<SqlValue>& parameters) override;
  Result<void> begin_exclusive() override;
  Result<void> end_exclusive(bool commit) override;
  std::string row_number_column() const override { return "INTEGER PRIMARY KEY"; }
  // The last statement failed because another connection held the file.
  bool busy() const { return (sqlite3_extended_errcode(database_) & 0xFF) == SQLITE_BUSY; }

 private:
  Failure failure() const { return Failure{sqlite3_errmsg(database_)}; }
  Result<void> bind(sqlite3_stmt* prepared, const std::vector<SqlValue>& parameters);

  sqlite3* database_;
};

// Binds each "$N" of the statement to parameters[N - 1].
Result<void> SqliteSession::bind(sqlite3_stmt* prepared, const std::vector<SqlValue>& parameters) {
  for (int index = 1; index <= sqlite3_bind_parameter_count(prepared); ++index) {
    const char* name = sqlite3_bind_parameter_name(prepared, index);
    const std::size_t number = name && name[0] == '$' ? std::strtoul(name + 1, nullptr, 10) : 0;
    if (number < 1 || number > parameters.size()) {
      return Failure{std::string("no value for the statement's parameter ") + (name ? name : "?")};
    }
    const SqlValue& value = parameters[number - 1];
    const int status =
        std::holds_alternative<std::int64_t>(value)
            ? sqlite3_bind_int64(prepared, index, std::get<std::int64_t>(value))
            : sqlite3_bind_text(prepared, index, std::get<std::string>(value).c_str(),
                                static_cast<int>(std::get<std::string>(value).size()),
                                SQLITE_TRANSIENT);
    if (status != SQLITE_OK) {
      return failure();
    }
  }
  return {};
}

Result<SqlRows> SqliteSession::run(const std::string& statement,
                                   const std::vector<SqlValue>& parameters) {
  sqlite3_stmt* prepared = nullptr;
  if (sqlite3_prepare_v2(database_, statement.c_str(), -1, &prepared, nullptr) != SQLITE_OK) {
    return failure();
  }
  const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(prepared, sqlite3_finalize);
  if (auto bound = bind(prepared, parameters); !bound) {
    return Failure{bound.error()};
  }
  SqlRows rows;
  int status = SQLITE_OK;
  while ((status = sqlite3_step(prepared)) == SQLITE_ROW) {
    SqlRow& row = rows.emplace_back();
    for (int column = 0; column < sqlite3_column_count(prepared); ++column) {
      const auto* text = sqlite3_column_text(prepared, column);
      row.push_back(text ? std::optional<std::string>(reinterpret_cast<const char*>(text))
                         : std::nullopt);
    }
  }
  if (status != SQLITE_DONE) {
    return failure();
  }
  return rows;
}

// The exclusive transactions' commits sync the write-ahead log (FULL), which holds every earlier
// commit too; the others do not wait for the disk (NORMAL).
Result<void> SqliteSession::begin_exclusive() {
  auto synced = run("PRAGMA synchronous = FULL", {});
  if (!synced) {
    return Failure{synced.error()};
  }
  auto begun = run("BEGIN IMMEDIATE", {});
  if (begun) {
    return {};
  }
  auto relaxed = run("PRAGMA synchronous = NORMAL", {});
  return Failure{begun.error() + (relaxed ? "" : " (and " + relaxed.error() + ")")};
}

Result<void> SqliteSession::end_exclusive(bool commit) {
  auto ended = run(commit ? "COMMIT" : "ROLLBACK", {});
  if (!ended) {
    return Failure{ended.error()};
  }
  auto relaxed = run("PRAGMA synchronous = NORMAL", {});
  if (!relaxed) {
    return Failure{relaxed.error()};
  }
  return {};
}

// WAL lets stations read while one writes. Switching a new file to it answers "busy" at once,
// without the busy time-out, while another run does the same: it is tried again until then.
Result<void> prepare_connection(SqliteSession& session) {
  Result<SqlRows> wal = session.run("PRAGMA journal_mode = WAL", {});
  for (int waited = 0; !wal && session.busy() && waited < kBusyTimeoutMs; waited += kBusyRetryMs) {
    sqlite3_sleep(kBusyRetryMs);
    wal = session.run("PRAGMA journal_mode = WAL", {});
  }
  if (!wal) {
    return Failure{wal.error()};
  }
  if (auto relaxed = session.run("PRAGMA synchronous = NORMAL", {}); !relaxed) {
    return Failure{relaxed.error()};
  }
  return upgrade_schema(session);
}

}  // namespace

Result<std::unique_ptr<LineRecord>> open_sqlite_record(const std::string& path) {
  const std::string where = "sqlite:" + path;
  auto opening_failed = [&](const std::string& why) {
    return Failure{"The record " + where + " could not be opened: " + why};
  };
  if (path.empty()) {
    return opening_failed("the path is empty");
  }
  const auto folder = std::filesystem::path(path).parent_path();
  std::error_code error;
  if (!folder.empty()) {
    std::filesystem::create_directories(folder, error);
  }
  if (error) {
    return opening_failed("its folder could not be made: " + error.message());
  }
  sqlite3* database = nullptr;
  const int status =
      sqlite3_open_v2(path.c_str(), &database, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  auto session = std::make_unique<SqliteSession>(database);
  if (status != SQLITE_OK) {
    return opening_failed(sqlite3_errstr(status));
  }
  sqlite3_busy_timeout(database, kBusyTimeoutMs);
  if (auto prepared = prepare_connection(*session); !prepared) {
    return opening_failed(prepared.error());
  }
  return std::unique_ptr<LineRecord>(std::make_unique<SqlLineRecord>(std::move(session), where));
}

}  // namespace quintrel::record

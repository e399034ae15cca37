// Each case's record: a fresh SQLite file, or the server tests/record/pg-scratch started
// (QUINTREL_TEST_POSTGRES) with the record's tables dropped first. raw() runs SQL beside the
// record.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

#include "record/line_record.h"

namespace quintrel::record {

enum class Backend { kSqlite, kPostgres };

class RecordTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::kSqlite) {
      char folder[] = "/tmp/quintrel-record.XXXXXX";
      ASSERT_NE(mkdtemp(folder), nullptr);
      folder_ = folder;
      where_ = "sqlite:" + folder_ + "/record.db";
      return;
    }
    const char* address = std::getenv("QUINTREL_TEST_POSTGRES");
    ASSERT_NE(address, nullptr) << "run the PostgreSQL cases through tests/record/pg-scratch";
    where_ = address;
    raw("SET client_min_messages = warning; DROP TABLE IF EXISTS saves, identifiers, "
        "schema_version");
  }
  void TearDown() override {
    if (!folder_.empty()) {
      std::filesystem::remove_all(folder_);
    }
  }

  std::unique_ptr<LineRecord> open() {
    auto opened = open_record(where_);
    EXPECT_TRUE(opened) << opened.error();
    return opened ? std::move(*opened) : nullptr;
  }

  // The first column of the statement's first row ("" when none).
  std::string raw(const std::string& sql) {
    std::string value;
    if (GetParam() == Backend::kPostgres) {
      PGconn* connection = PQconnectdb(where_.c_str());
      PGresult* result = PQexec(connection, sql.c_str());
      EXPECT_LE(PQresultStatus(result), PGRES_TUPLES_OK) << PQerrorMessage(connection);
      if (PQntuples(result) > 0) {
        value = PQgetvalue(result, 0, 0);
      }
      PQclear(result);
      PQfinish(connection);
      return value;
    }
    sqlite3* database = nullptr;
    sqlite3_open((folder_ + "/record.db").c_str(), &database);
    auto first_column = [](void* out, int, char** columns, char**) {
      *static_cast<std::string*>(out) = columns[0] ? columns[0] : "";
      return 0;
    };
    EXPECT_EQ(sqlite3_exec(database, sql.c_str(), first_column, &value, nullptr), SQLITE_OK)
        << sqlite3_errmsg(database);
    sqlite3_close(database);
    return value;
  }

  std::string folder_;
  std::string where_;
};

}  // namespace quintrel::record

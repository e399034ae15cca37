// The record's rules over either database: one LineRecord for SQLite and PostgreSQL, which differ
// only in their SqlSession.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "record/line_record.h"
#include "record/sql_session.h"

namespace quintrel::record {

class SqlLineRecord : public LineRecord {
 public:
  // where: the record's place in words (no password). The session's schema is already current.
  SqlLineRecord(std::unique_ptr<SqlSession> session, std::string where);

  std::string where() const override { return where_; }
  Result<std::uint32_t> take_identifier(std::uint32_t first, std::uint32_t last,
                                        const std::string& station,
                                        const std::string& port) override;
  Result<void> settle_identifier(std::uint32_t identifier, IdentifierState state) override;
  Result<void> free_identifier(std::uint32_t identifier) override;
  Result<void> release_identifier(std::uint32_t identifier) override;
  Result<std::vector<IdentifierEntry>> identifiers() override;

  Result<void> add_save(const SaveRow& row) override;
  Result<std::vector<SaveRow>> saves(const RowFilter& filter) override;
  Result<std::size_t> import_saves(const std::vector<SaveRow>& rows) override;

 private:
  // The failure, naming the record: "the record sqlite:/x.db: ...".
  Failure failure(const std::string& what) const;
  Result<bool> import_one(const SaveRow& row);
  Result<void> hold_written_identifier(const SaveRow& row);
  // The row of an identifier this record took and has not settled for good, as the take left it:
  // what settling and freeing must still find, so that they never touch a row someone else holds.
  struct Holding {
    std::string station;
    std::string port;
    std::string time;
  };
  Result<Holding> holding(std::uint32_t identifier) const;

  std::unique_ptr<SqlSession> session_;
  std::string where_;
  std::map<std::uint32_t, Holding> held_;
};

}  // namespace quintrel::record

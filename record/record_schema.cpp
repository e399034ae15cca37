#include "record/record_schema.h"

#include <string>
#include <vector>

#include "record/save_columns.h"

namespace quintrel::record {
namespace {

// Version 1: the saves as the first stations kept them, before identifiers came from pools. "{id}"
// stands for the database's row number column.
const std::vector<std::string> kVersion1 = {
    "CREATE TABLE saves ("
    " id {id},"
    " time TEXT NOT NULL,"
    " station TEXT NOT NULL,"
    " operator_name TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " by_id TEXT NOT NULL,"
    " usb_id TEXT NOT NULL,"
    " bitrate_before TEXT NOT NULL,"
    " identifier_before TEXT NOT NULL,"
    " bitrate_written TEXT NOT NULL,"
    " identifier_written TEXT NOT NULL,"
    " verify TEXT NOT NULL,"
    " ok INTEGER NOT NULL,"
    " message TEXT NOT NULL,"
    " exit_code INTEGER NOT NULL,"
    " duration_ms BIGINT NOT NULL,"
    " UNIQUE (time, station, port))",
    "CREATE INDEX saves_identifier ON saves (identifier_written)",
};

// Version 2: the adapter's USB serial number, the --label, where a written identifier came from,
// and the pools' identifiers. Version 1 knew only --id, so its written identifiers were given.
const std::vector<std::string> kVersion2 = {
    "ALTER TABLE saves ADD COLUMN usb_serial TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE saves ADD COLUMN label TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE saves ADD COLUMN identifier_source TEXT NOT NULL DEFAULT ''",
    "UPDATE saves SET identifier_source = 'given' WHERE identifier_written <> ''",
    "CREATE INDEX saves_label ON saves (label)",
    "CREATE TABLE identifiers ("
    " identifier BIGINT PRIMARY KEY,"
    " state TEXT NOT NULL CHECK (state IN ('uncertain', 'given')),"
    " station TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " time TEXT NOT NULL)",
};

const std::vector<std::string>* const kUpgrades[kSchemaVersion] = {&kVersion1, &kVersion2};

// The identifiers version 1's successful saves wrote are held by their devices: given, under the
// last save that wrote each, so that no pool gives them again. SQL has no common way to read hex,
// so they are read out and written back.
Result<void> give_written_identifiers(SqlSession& session) {
  auto rows = session.run(
      "SELECT identifier_written, station, port, time FROM saves"
      " WHERE ok <> 0 AND identifier_written <> '' ORDER BY time DESC");
  if (!rows) {
    return Failure{rows.error()};
  }
  for (const auto& row : *rows) {
    auto identifier = identifier_from_text(row[0].value_or(""));
    if (!identifier) {
      continue;  // a text no save of ours wrote; it cannot stand for a device's identifier
    }
    auto given = session.run(
        "INSERT INTO identifiers (identifier, state, station, port, time)"
        " VALUES ($1, 'given', $2, $3, $4) ON CONFLICT (identifier) DO NOTHING",
        {std::int64_t{*identifier}, row[1].value_or(""), row[2].value_or(""), row[3].value_or("")});
    if (!given) {
      return Failure{given.error()};
    }
  }
  return {};
}

std::string with_row_number(std::string statement, const std::string& column) {
  const auto at = statement.find("{id}");
  return at == std::string::npos ? statement : statement.replace(at, 4, column);
}

Result<int> stored_version(SqlSession& session) {
  auto rows = session.run("SELECT version FROM schema_version");
  if (!rows) {
    return Failure{rows.error()};
  }
  if (rows->empty()) {
    return 0;
  }
  auto version = rows->size() == 1 ? integer_from(rows->front().at(0))
                                   : Result<std::int64_t>(Failure{"not one row"});
  if (!version) {
    return Failure{"its table schema_version does not hold one version: " + version.error()};
  }
  return static_cast<int>(*version);
}

Result<void> upgrade_from(SqlSession& session, int version) {
  if (version > kSchemaVersion) {
    return Failure{"it has schema version " + std::to_string(version) +
                   ", newer than this program's " + std::to_string(kSchemaVersion) +
                   "; a newer quintrel-cli reads it"};
  }
  for (int next = version + 1; next <= kSchemaVersion; ++next) {
    for (const auto& statement : *kUpgrades[next - 1]) {
      auto done = session.run(with_row_number(statement, session.row_number_column()));
      if (!done) {
        return Failure{"the upgrade to schema version " + std::to_string(next) +
                       " failed: " + done.error()};
      }
    }
    if (next == 2) {
      if (auto given = give_written_identifiers(session); !given) {
        return Failure{"the upgrade to schema version 2 failed: " + given.error()};
      }
    }
  }
  if (version == kSchemaVersion) {
    return {};
  }
  auto cleared = session.run("DELETE FROM schema_version");
  if (!cleared) {
    return Failure{cleared.error()};
  }
  auto stored = session.run("INSERT INTO schema_version (version) VALUES ($1)",
                            {std::int64_t{kSchemaVersion}});
  if (!stored) {
    return Failure{stored.error()};
  }
  return {};
}

}  // namespace

Result<void> upgrade_schema(SqlSession& session) {
  return exclusively(session, [&]() -> Result<void> {
    auto made = session.run("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    if (!made) {
      return Failure{made.error()};
    }
    auto version = stored_version(session);
    if (!version) {
      return Failure{version.error()};
    }
    return upgrade_from(session, *version);
  });
}

}  // namespace quintrel::record

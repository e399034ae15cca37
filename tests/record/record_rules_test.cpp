// The record's rules, run once against SQLite and once against PostgreSQL.
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <tuple>

#include "record/sql_session.h"
#include "tests/record/record_fixture.h"

namespace quintrel::record {
namespace {

auto fields(const SaveRow& r) {
  return std::tie(r.time, r.station, r.operator_name, r.port, r.by_id, r.usb_id, r.usb_serial,
                  r.label, r.bitrate_before, r.identifier_before, r.bitrate_written,
                  r.identifier_written, r.identifier_source, r.verify, r.ok, r.message, r.exit_code,
                  r.duration_ms);
}

SaveRow save(std::string time, std::string station, std::string identifier, std::string source,
             bool ok = true) {
  return {time,
          station,
          "op",
          "/dev/ttyUSB0",
          "/dev/serial/by-id/usb-x",
          "0403:6001",
          "A1B2",
          "SN-" + time.substr(17, 2),
          "125kbps",
          "100",
          "500kbps",
          identifier,
          source,
          "ok",
          ok,
          ok ? "Saved." : "No reply.",
          ok ? 0 : 4,
          812};
}

TEST_P(RecordTest, PoolIdentifiersMoveThroughTheirStates) {
  auto record = open();
  ASSERT_TRUE(record);
  for (std::uint32_t expected : {0x100u, 0x101u, 0x102u}) {
    auto taken = record->take_identifier(0x100, 0x102, "st1", "/dev/ttyUSB1");
    ASSERT_TRUE(taken) << taken.error();
    EXPECT_EQ(*taken, expected);
  }
  EXPECT_EQ(
      record->take_identifier(0x100, 0x102, "st1", "p").error(),
      "The record " + record->where() + ": every identifier of 100-102 is given or uncertain");
  EXPECT_NE(
      record->take_identifier(0x102, 0x100, "st1", "p").error().find("range 102-100 is empty"),
      std::string::npos);
  ASSERT_TRUE(record->settle_identifier(0x101, IdentifierState::kGiven));
  ASSERT_TRUE(record->free_identifier(0x100));
  EXPECT_EQ(*record->take_identifier(0x100, 0x102, "st2", "p2"), 0x100u);
  EXPECT_NE(record->release_identifier(0x101).error().find(
                "identifier 101 was given for good (station st1, port /dev/ttyUSB1, "),
            std::string::npos);
  ASSERT_TRUE(record->release_identifier(0x102));
  EXPECT_NE(record->release_identifier(0x102).error().find("identifier 102 is free already"),
            std::string::npos);
  // Released while its save ran, then taken by another: the first save neither gives nor frees it.
  auto other = open();
  EXPECT_EQ(*other->take_identifier(0x102, 0x102, "st3", "p3"), 0x102u);
  for (const Result<void>& late : {record->settle_identifier(0x102, IdentifierState::kGiven),
                                   record->free_identifier(0x102)}) {
    EXPECT_NE(late.error().find("released or taken over while this save ran"), std::string::npos);
  }
  ASSERT_TRUE(other->release_identifier(0x102));
  EXPECT_NE(record->free_identifier(0x1FF).error().find("is not taken by this run"),
            std::string::npos);

  // A station that dies after taking leaves the identifier uncertain for the next one.
  record.reset();
  auto reopened = open();
  auto entries = reopened->identifiers();
  ASSERT_TRUE(entries) << entries.error();
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].identifier, 0x100u);
  EXPECT_EQ((*entries)[0].state, IdentifierState::kUncertain);
  EXPECT_EQ((*entries)[0].station + (*entries)[0].port, "st2p2");
  EXPECT_EQ((*entries)[1].state, IdentifierState::kGiven);
  EXPECT_EQ(*reopened->take_identifier(0x100, 0x102, "st1", "p"), 0x102u);
}

// A device configured with --id holds its identifier as much as one from a pool does.
TEST_P(RecordTest, IdentifiersWrittenWithIdAreNotGivenAgain) {
  auto record = open();
  ASSERT_TRUE(record);
  ASSERT_EQ(*record->take_identifier(0x102, 0x102, "st2", "p2"), 0x102u);
  for (const auto& row : {save("2026-12-10T05:00:00.000Z", "st1", "100", "given"),
                          save("2026-12-10T05:01:00.000Z", "st1", "101", "given", false),
                          save("2026-12-10T05:02:00.000Z", "st1", "102", "given")}) {
    ASSERT_TRUE(record->add_save(row));
  }
  EXPECT_EQ(*record->take_identifier(0x100, 0x103, "st1", "p"), 0x101u) << "its save failed";
  EXPECT_EQ(*record->take_identifier(0x100, 0x103, "st1", "p"), 0x103u);
  // The pool's save that took 102 meanwhile cannot settle it: two devices may hold it now.
  EXPECT_NE(record->settle_identifier(0x102, IdentifierState::kGiven).error().find("taken over"),
            std::string::npos);
}

TEST_P(RecordTest, SavesAreListedByEachFilter) {
  auto record = open();
  ASSERT_TRUE(record);
  const std::vector<SaveRow> rows = {save("2026-12-10T05:40:00.123Z", "st1", "7FF", "given"),
                                     save("2026-12-09T23:59:59.999Z", "st2", "100", "pool"),
                                     save("2026-12-11T00:00:00.000Z", "st1", "", "", false)};
  for (const auto& row : rows) {
    ASSERT_TRUE(record->add_save(row));
  }
  EXPECT_FALSE(record->add_save(rows[0])) << "the same time, station and port twice";
  auto listed = [&](RowFilter filter) {
    std::vector<std::string> times;
    auto found = record->saves(filter);
    EXPECT_TRUE(found) << found.error();
    for (const auto& row : found.value()) {
      times.push_back(row.time.substr(8, 2));
    }
    return times;
  };
  EXPECT_EQ(listed({}), (std::vector<std::string>{"09", "10", "11"}));
  EXPECT_TRUE(fields(record->saves({})->at(1)) == fields(rows[0]));
  EXPECT_EQ(listed({"7ff", "", "", "", ""}), std::vector<std::string>{"10"});
  EXPECT_EQ(listed({"", "st1", "", "", ""}), (std::vector<std::string>{"10", "11"}));
  EXPECT_EQ(listed({"", "", "SN-59", "", ""}), std::vector<std::string>{"09"});
  EXPECT_EQ(listed({"", "", "", "2026-12-10", "2026-12-11"}), std::vector<std::string>{"10"});
  EXPECT_NE(record->saves({"7G", "", "", "", ""}).error().find("\"7G\" is not an identifier"),
            std::string::npos);
}

TEST_P(RecordTest, ImportSkipsHeldRowsAndGivesPoolIdentifiers) {
  auto record = open();
  ASSERT_TRUE(record);
  const auto held = save("2026-12-10T05:00:00.000Z", "web", "104", "pool");
  ASSERT_TRUE(record->add_save(held));
  ASSERT_EQ(*record->take_identifier(0x105, 0x105, "st1", "p"), 0x105u);
  const std::vector<SaveRow> rows = {held, save("2026-12-10T05:01:00.000Z", "web", "105", "pool"),
                                     save("2026-12-10T05:02:00.000Z", "web", "106", "pool", false),
                                     save("2026-12-10T05:03:00.000Z", "web", "107", "given")};
  auto imported = record->import_saves(rows);
  ASSERT_TRUE(imported) << imported.error();
  EXPECT_EQ(*imported, 3u);
  EXPECT_EQ(record->saves({})->size(), 4u);
  auto entries = *record->identifiers();
  ASSERT_EQ(entries.size(), 3u);  // 104, 105 and the --id 107; the failed 106 stays free
  EXPECT_EQ(entries[0].identifier, 0x104u);
  EXPECT_EQ(entries[1].state, IdentifierState::kGiven);
  EXPECT_EQ(entries[1].station, "web");
  EXPECT_EQ(entries[2].identifier, 0x107u);
  EXPECT_EQ(*record->take_identifier(0x104, 0x107, "st1", "p"), 0x106u);

  // A bad row takes nothing of its file with it.
  auto bad = save("2026-12-10T06:00:00.000Z", "web", "1x", "pool");
  EXPECT_NE(record->import_saves({rows[3], save("2026-12-10T05:59:00.000Z", "web", "1", ""), bad})
                .error()
                .find("\"1x\" is not an identifier"),
            std::string::npos);
  EXPECT_EQ(record->saves({})->size(), 4u);
}

TEST_P(RecordTest, UpgradesAVersionOneRecordInPlace) {
  const std::string id_column = GetParam() == Backend::kSqlite
                                    ? "INTEGER PRIMARY KEY"
                                    : "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
  raw("CREATE TABLE schema_version (version INTEGER NOT NULL);"
      "INSERT INTO schema_version VALUES (1);"
      "CREATE TABLE saves (id " +
      id_column +
      ", time TEXT NOT NULL, station TEXT NOT NULL,"
      " operator_name TEXT NOT NULL, port TEXT NOT NULL, by_id TEXT NOT NULL,"
      " usb_id TEXT NOT NULL, bitrate_before TEXT NOT NULL, identifier_before TEXT NOT NULL,"
      " bitrate_written TEXT NOT NULL, identifier_written TEXT NOT NULL, verify TEXT NOT NULL,"
      " ok INTEGER NOT NULL, message TEXT NOT NULL, exit_code INTEGER NOT NULL,"
      " duration_ms BIGINT NOT NULL, UNIQUE (time, station, port));"
      "INSERT INTO saves (time, station, operator_name, port, by_id, usb_id, bitrate_before,"
      " identifier_before, bitrate_written, identifier_written, verify, ok, message, exit_code,"
      " duration_ms) VALUES ('2025-01-01T00:00:00.000Z', 'old', 'op', 'COM3', '', '', '', '',"
      " '250kbps', '', '', 1, 'Saved.', 0, 90), ('2025-01-02T00:00:00.000Z', 'old', 'op',"
      " 'COM3', '', '', '', '', '', '1A', 'ok', 1, 'Saved.', 0, 95)");
  auto record = open();
  ASSERT_TRUE(record);
  EXPECT_EQ(raw("SELECT version FROM schema_version"), "2");
  auto rows = *record->saves({});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].identifier_source + "|" + rows[1].identifier_source, "|given");
  EXPECT_EQ(rows[1].identifier_written + rows[1].label + rows[1].usb_serial, "1A");
  EXPECT_EQ(rows[1].duration_ms, 95);
  EXPECT_EQ(*record->take_identifier(0x1A, 0x1B, "st", "p"), 0x1Bu) << "1A is on a device";
  ASSERT_TRUE(record->add_save(save("2026-12-10T05:40:00.123Z", "st", "1B", "pool")));

  record.reset();
  raw("UPDATE schema_version SET version = 3");
  auto newer = open_record(where_);
  EXPECT_NE(newer.error().find("could not be opened: it has schema version 3, newer than"),
            std::string::npos);
}

// Takers in separate processes, each with its own connection, all at once: every identifier
// goes to one of them, and the lowest ones go first.
TEST_P(RecordTest, ConcurrentTakersGetDistinctIdentifiers) {
  ASSERT_TRUE(open());  // the schema, made once before the race
  constexpr int kTakers = 6, kTakes = 10;
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  std::vector<pid_t> children;
  for (int taker = 0; taker < kTakers; ++taker) {
    const pid_t child = fork();
    if (child == 0) {
      auto record = open_record(where_);
      for (int take = 0; record && take < kTakes; ++take) {
        auto taken = record.value()->take_identifier(0, 0xFF, "st" + std::to_string(taker), "p");
        if (!taken || !record.value()->settle_identifier(*taken, IdentifierState::kGiven) ||
            write(pipe_ends[1], &taken.value(), sizeof(std::uint32_t)) != sizeof(std::uint32_t)) {
          _exit(1);
        }
      }
      _exit(record ? 0 : 1);
    }
    children.push_back(child);
  }
  close(pipe_ends[1]);
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<std::uint32_t> taken;
  std::uint32_t identifier = 0;
  while (read(pipe_ends[0], &identifier, sizeof identifier) == sizeof identifier) {
    EXPECT_TRUE(taken.insert(identifier).second) << "given twice: " << identifier;
  }
  close(pipe_ends[0]);
  EXPECT_EQ(taken.size(), std::size_t{kTakers * kTakes});
  EXPECT_EQ(*taken.rbegin(), std::uint32_t{kTakers * kTakes - 1});
}

INSTANTIATE_TEST_SUITE_P(Sqlite, RecordTest, testing::Values(Backend::kSqlite));
INSTANTIATE_TEST_SUITE_P(Postgres, RecordTest, testing::Values(Backend::kPostgres));

}  // namespace
}  // namespace quintrel::record

#include "record/sql_line_record.h"

#include <utility>

#include "base/ascii_text.h"
#include "record/save_columns.h"

namespace quintrel::record {
namespace {

const char* state_text(IdentifierState state) {
  return state == IdentifierState::kGiven ? "given" : "uncertain";
}

// Holds the lowest identifier of $1..$2 the record does not hold (the range's first, or one above
// a held identifier of the range) as uncertain for station $3, port $4 at time $5; no row when
// there is none.
const char* const kTakeLowestFree =
    "INSERT INTO identifiers (identifier, state, station, port, time)"
    " SELECT candidate, 'uncertain', $3, $4, $5 FROM ("
    " SELECT CAST($1 AS BIGINT) AS candidate"
    " UNION ALL SELECT identifier + 1 FROM identifiers WHERE identifier BETWEEN $1 AND $2"
    ") AS candidates WHERE candidate <= $2 AND candidate NOT IN"
    " (SELECT identifier FROM identifiers WHERE identifier BETWEEN $1 AND $2)"
    " ORDER BY candidate LIMIT 1 RETURNING identifier";

// Holds identifier $1 as given to station $2, port $3 at time $4, in place of whoever held it.
const char* const kGiveWritten =
    "INSERT INTO identifiers (identifier, state, station, port, time)"
    " VALUES ($1, 'given', $2, $3, $4) ON CONFLICT (identifier) DO UPDATE SET state = 'given',"
    " station = excluded.station, port = excluded.port, time = excluded.time";

std::string lost_hold(std::uint32_t identifier) {
  return "identifier " + hex_text(identifier) +
         " was released or taken over while this save ran; another device may hold it too: "
         "check the record for a duplicate";
}

}  // namespace

SqlLineRecord::SqlLineRecord(std::unique_ptr<SqlSession> session, std::string where)
    : session_(std::move(session)), where_(std::move(where)) {}

Failure SqlLineRecord::failure(const std::string& what) const {
  return Failure{"The record " + where_ + ": " + what};
}

Result<std::uint32_t> SqlLineRecord::take_identifier(std::uint32_t first, std::uint32_t last,
                                                     const std::string& station,
                                                     const std::string& port) {
  const std::string range = hex_text(first) + "-" + hex_text(last);
  if (first > last) {
    return failure("the range " + range + " is empty (its first is above its last)");
  }
  const std::string time = utc_time_now();
  auto taken = exclusively(*session_, [&]() -> Result<std::uint32_t> {
    auto held = session_->run(kTakeLowestFree,
                              {std::int64_t{first}, std::int64_t{last}, station, port, time});
    if (!held) {
      return Failure{held.error()};
    }
    if (held->empty()) {
      return Failure{"every identifier of " + range + " is given or uncertain"};
    }
    auto identifier = integer_from(held->front().at(0));
    if (!identifier) {
      return Failure{identifier.error()};
    }
    return static_cast<std::uint32_t>(*identifier);
  });
  if (!taken) {
    return failure(taken.error());
  }
  held_[*taken] = {station, port, time};
  return taken;
}

Result<SqlLineRecord::Holding> SqlLineRecord::holding(std::uint32_t identifier) const {
  const auto held = held_.find(identifier);
  if (held == held_.end()) {
    return failure("identifier " + hex_text(identifier) + " is not taken by this run");
  }
  return held->second;
}

// Settling and freeing find the row only as this record's take left it: an identifier released
// (record --release) or taken over (an import) while its save ran is someone else's now.
Result<void> SqlLineRecord::settle_identifier(std::uint32_t identifier, IdentifierState state) {
  const Result<Holding> held = holding(identifier);
  if (!held) {
    return Failure{held.error()};
  }
  const std::string time = utc_time_now();
  auto settled = session_->run(
      "UPDATE identifiers SET state = $2, time = $3 WHERE identifier = $1 AND state = 'uncertain'"
      " AND station = $4 AND port = $5 AND time = $6 RETURNING identifier",
      {std::int64_t{identifier}, std::string(state_text(state)), time, held->station, held->port,
       held->time});
  if (!settled) {
    return failure(settled.error());
  }
  if (settled->empty()) {
    return failure(lost_hold(identifier));
  }
  if (state == IdentifierState::kGiven) {
    held_.erase(identifier);
  } else {
    held_[identifier].time = time;
  }
  return {};
}

Result<void> SqlLineRecord::free_identifier(std::uint32_t identifier) {
  const Result<Holding> held = holding(identifier);
  if (!held) {
    return Failure{held.error()};
  }
  auto freed = session_->run(
      "DELETE FROM identifiers WHERE identifier = $1 AND state = 'uncertain' AND station = $2"
      " AND port = $3 AND time = $4 RETURNING identifier",
      {std::int64_t{identifier}, held->station, held->port, held->time});
  if (!freed) {
    return failure(freed.error());
  }
  if (freed->empty()) {
    return failure(lost_hold(identifier));
  }
  held_.erase(identifier);
  return {};
}

Result<void> SqlLineRecord::release_identifier(std::uint32_t identifier) {
  auto released = session_->run(
      "DELETE FROM identifiers WHERE identifier = $1 AND state = 'uncertain' RETURNING identifier",
      {std::int64_t{identifier}});
  if (!released) {
    return failure(released.error());
  }
  if (!released->empty()) {
    return {};
  }
  auto holder = session_->run("SELECT station, port, time FROM identifiers WHERE identifier = $1",
                              {std::int64_t{identifier}});
  if (!holder) {
    return failure(holder.error());
  }
  const std::string name = "identifier " + hex_text(identifier);
  if (holder->empty()) {
    return failure(name + " is free already");
  }
  const auto& row = holder->front();
  return failure(name + " was given for good (station " + row[0].value_or("") + ", port " +
                 row[1].value_or("") + ", " + row[2].value_or("") +
                 "); only an uncertain identifier is released");
}

Result<std::vector<IdentifierEntry>> SqlLineRecord::identifiers() {
  auto rows = session_->run(
      "SELECT identifier, state, station, port, time FROM identifiers ORDER BY identifier");
  if (!rows) {
    return failure(rows.error());
  }
  std::vector<IdentifierEntry> entries;
  for (const auto& row : *rows) {
    auto identifier = integer_from(row.at(0));
    if (!identifier) {
      return failure(identifier.error());
    }
    const auto state = row[1] == "given" ? IdentifierState::kGiven : IdentifierState::kUncertain;
    entries.push_back({static_cast<std::uint32_t>(*identifier), state, row[2].value_or(""),
                       row[3].value_or(""), row[4].value_or("")});
  }
  return entries;
}

Result<void> SqlLineRecord::add_save(const SaveRow& row) {
  const auto insert_row = [&]() -> Result<void> {
    auto added = session_->run(std::string("INSERT INTO saves (") + kSaveColumns + ") VALUES (" +
                                   save_placeholders() + ")",
                               save_row_values(row));
    if (!added) {
      return Failure{added.error()};
    }
    return {};
  };
  // A pool's identifier is in the table since its take. One chosen with --id goes in with its row
  // under the takers' lock: a take at the same moment waits for it instead of failing on its key.
  const bool chosen = row.ok && !row.identifier_written.empty() && row.identifier_source != "pool";
  auto added = !chosen ? insert_row() : exclusively(*session_, [&]() -> Result<void> {
    if (auto held = hold_written_identifier(row); !held) {
      return held;
    }
    return insert_row();
  });
  if (!added) {
    return failure(added.error());
  }
  return {};
}

Result<std::vector<SaveRow>> SqlLineRecord::saves(const RowFilter& filter) {
  auto clause = filter_clause(filter);
  if (!clause) {
    return failure(clause.error());
  }
  auto rows = session_->run(
      std::string("SELECT ") + kSaveColumns + " FROM saves" + clause->where + " ORDER BY time, id",
      clause->parameters);
  if (!rows) {
    return failure(rows.error());
  }
  std::vector<SaveRow> saves;
  for (const auto& row : *rows) {
    auto save = save_row_from(row);
    if (!save) {
      return failure(save.error());
    }
    saves.push_back(std::move(*save));
  }
  return saves;
}

Result<std::size_t> SqlLineRecord::import_saves(const std::vector<SaveRow>& rows) {
  auto imported = exclusively(*session_, [&]() -> Result<std::size_t> {
    std::size_t added = 0;
    for (const auto& row : rows) {
      auto one = import_one(row);
      if (!one) {
        return Failure{one.error()};
      }
      added += *one ? 1 : 0;
    }
    return added;
  });
  if (!imported) {
    return failure(imported.error());
  }
  return imported;
}

// Adds the row unless the record holds it (true when added).
Result<bool> SqlLineRecord::import_one(const SaveRow& row) {
  auto added = session_->run(std::string("INSERT INTO saves (") + kSaveColumns + ") VALUES (" +
                                 save_placeholders() +
                                 ") ON CONFLICT (time, station, port) DO NOTHING RETURNING id",
                             save_row_values(row));
  if (!added) {
    return Failure{added.error()};
  }
  if (auto held = hold_written_identifier(row); !held) {
    return Failure{held.error()};
  }
  return !added->empty();
}

// A device that was configured holds the identifier written to it, whether a pool or --id chose
// it, so no pool gives that identifier to another device. A pool's identifier is given whoever
// held it here (the station's own take, or one an import overrides). One chosen with --id takes
// over an uncertain holder too, whose save then fails to settle it and says another device may
// hold it, but it leaves a given one as it was.
Result<void> SqlLineRecord::hold_written_identifier(const SaveRow& row) {
  if (!row.ok || row.identifier_written.empty()) {
    return {};
  }
  auto identifier = identifier_from_text(row.identifier_written);
  if (!identifier) {
    return Failure{"the row of " + row.time + ", station " + row.station + ", port " + row.port +
                   ": " + identifier.error()};
  }
  const std::string only_uncertain =
      row.identifier_source == "pool" ? "" : " WHERE identifiers.state = 'uncertain'";
  auto given = session_->run(kGiveWritten + only_uncertain,
                             {std::int64_t{*identifier}, row.station, row.port, row.time});
  if (!given) {
    return Failure{given.error()};
  }
  return {};
}

}  // namespace quintrel::record

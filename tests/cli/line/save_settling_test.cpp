#include "cli/line/save_settling.h"

#include <gtest/gtest.h>

namespace quintrel::cli {
namespace {

CliRequest pool_save(bool read_before, bool verify) {
  CliRequest request;
  request.command = CliCommand::kSave;
  request.port = "serial:A1";
  request.bitrate = 3;
  request.identifier = u"17F";
  request.verify = verify;
  request.line.read_before = read_before;
  request.line.id_from = IdentifierRange{0x100, 0x17F};
  return request;
}

TEST(Settlement, FreeOnlyWhenTheIdentifierIsKnownNotSent) {
  // Steps: reading x2 (when reading before), writing the bitrate, writing the identifier, ...
  EXPECT_EQ(identifier_step(pool_save(false, false)), 2);
  EXPECT_EQ(identifier_step(pool_save(true, true)), 4);
  EXPECT_EQ(settlement_for(true, 5, 4), Settlement::kGiven);
  EXPECT_EQ(settlement_for(true, std::nullopt, 4), Settlement::kGiven);
  EXPECT_EQ(settlement_for(false, 0, 4), Settlement::kFree);       // never began (port not opened)
  EXPECT_EQ(settlement_for(false, 3, 4), Settlement::kFree);       // failed writing the bitrate
  EXPECT_EQ(settlement_for(false, 4, 4), Settlement::kUncertain);  // its frame may be out
  EXPECT_EQ(settlement_for(false, 7, 4), Settlement::kUncertain);  // a verify that differed
  EXPECT_EQ(settlement_for(false, std::nullopt, 4), Settlement::kUncertain);  // output lost
}

TEST(SaveRowFromResult, WrittenValuesAsFarAsTheJobGot) {
  const CliRequest request = pool_save(true, true);
  SaveFacts facts;
  facts.station = "bench";
  facts.label = "SN-1";
  ScannedPort entry(u"/dev/ttyUSB0", u"");
  entry.vid = "0403";
  entry.pid = "6001";
  entry.serial = "A1";
  entry.by_id = "/dev/serial/by-id/usb-A1";
  facts.entry = &entry;
  const JsonObject timed_out = {{"port", "/dev/ttyUSB0"},
                                {"ok", false},
                                {"exit", 1},
                                {"error", "Response reception timeout"},
                                {"bitrate_before", "125kbps"},
                                {"identifier_before", "0"}};
  record::SaveRow row = save_row(request, timed_out, 3, facts);
  EXPECT_EQ(row.port, "/dev/ttyUSB0");
  EXPECT_EQ(row.by_id, "/dev/serial/by-id/usb-A1");
  EXPECT_EQ(row.usb_id, "0403:6001");
  EXPECT_EQ(row.usb_serial, "A1");
  EXPECT_EQ(row.bitrate_before, "125kbps");
  EXPECT_EQ(row.identifier_before, "0");
  EXPECT_EQ(row.bitrate_written, "500kbps");
  EXPECT_EQ(row.identifier_written, "");  // failed before its step
  EXPECT_EQ(row.identifier_source, "pool");
  EXPECT_EQ(row.verify, "");
  EXPECT_EQ(row.message, "Response reception timeout");
  EXPECT_EQ(row.exit_code, 1);

  const JsonObject differed = {{"port", "/dev/ttyUSB0"},
                               {"ok", false},
                               {"exit", 4},
                               {"error", "identifier: wrote 17F, the device holds 7F"}};
  row = save_row(request, differed, 7, facts);
  EXPECT_EQ(row.identifier_written, "17F");
  EXPECT_EQ(row.verify, "mismatch");
  row = save_row(request, {{"port", "/dev/ttyUSB0"}, {"ok", true}, {"exit", 0}}, 7, facts);
  EXPECT_EQ(row.verify, "ok");
  EXPECT_EQ(row.message, "Saved !!!");
  // A job whose output was lost may have written everything.
  row = save_row(request, {{"port", "/dev/ttyUSB0"}, {"ok", false}}, std::nullopt, facts);
  EXPECT_EQ(row.identifier_written, "17F");
}

TEST(RecordTime, UtcWithMilliseconds) {
  using namespace std::chrono;
  const sys_days day = year{2026} / December / 10;
  EXPECT_EQ(record::utc_time_text(system_clock::time_point(day + hours(5) + minutes(40) +
                                                           seconds(7) + milliseconds(23))),
            "2026-12-10T05:40:07.023Z");
  EXPECT_EQ(record::utc_time_text(system_clock::time_point(sys_days(year{2024} / February / 29))),
            "2024-02-29T00:00:00.000Z");
}

}  // namespace
}  // namespace quintrel::cli

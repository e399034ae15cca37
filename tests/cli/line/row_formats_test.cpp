#include "cli/line/row_formats.h"

#include <gtest/gtest.h>

#include "cli/line/record_command.h"

namespace quintrel::cli {
namespace {

record::SaveRow row_with_awkward_texts() {
  record::SaveRow row;
  row.time = "2026-12-10T05:40:00.123Z";
  row.station = "bench, 2";
  row.operator_name = "op";
  row.port = "/dev/ttyUSB0";
  row.usb_id = "0403:6001";
  row.label = "SN \"7\"\r\nnext";
  row.bitrate_written = "500kbps";
  row.identifier_written = "17F";
  row.identifier_source = "pool";
  row.verify = "ok";
  row.ok = true;
  row.message = "Saved !!!";
  row.duration_ms = 412;
  return row;
}

TEST(SaveRows, JsonAndCsvCarryTheSameNamesInOrder) {
  const std::string names =
      "time,station,operator,port,by_id,usb_id,usb_serial,label,bitrate_before,identifier_before,"
      "bitrate_written,identifier_written,identifier_source,verify,ok,message,exit_code,"
      "duration_ms";
  const record::SaveRow row = row_with_awkward_texts();
  std::string keys;
  const JsonObject object = save_row_json(row);
  for (const auto& [key, value] : object.items()) {
    keys += (keys.empty() ? "" : ",") + key;
  }
  EXPECT_EQ(keys, names);
  EXPECT_EQ(saves_csv_text({row}),
            names +
                "\r\n2026-12-10T05:40:00.123Z,\"bench, 2\",op,/dev/ttyUSB0,,0403:6001,,"
                "\"SN \"\"7\"\"\r\nnext\",,,500kbps,17F,pool,ok,true,Saved !!!,0,412\r\n");
  EXPECT_EQ(saves_csv_text({}), names + "\r\n");
  EXPECT_EQ(saves_json_text({}), "[]");
}

TEST(SaveRows, AnExportReadsBackAsItsRows) {
  const record::SaveRow row = row_with_awkward_texts();
  JsonObject file = {{"format", "quintrel-record"}, {"version", 1}, {"rows", {save_row_json(row)}}};
  const Result<std::vector<record::SaveRow>> back = parse_export(file.dump(), "x.json");
  ASSERT_TRUE(back) << back.error();
  ASSERT_EQ(back->size(), 1u);
  EXPECT_EQ(save_row_json(back->front()), save_row_json(row));
  // A browser's row leaves out what it does not know.
  file["rows"] = {{{"time", "2026-12-10T05:41:00.000Z"}, {"station", "browser"}, {"ok", false}}};
  EXPECT_TRUE(parse_export(file.dump(), "x.json"));
}

TEST(SaveRows, AnythingButAnExportIsRefusedByNameAndReason) {
  const JsonObject good_row = save_row_json(row_with_awkward_texts());
  const auto with = [&](const char* key, JsonObject value) {
    JsonObject row = good_row;
    row[key] = std::move(value);
    return JsonObject{{"format", "quintrel-record"}, {"version", 1}, {"rows", {good_row, row}}}
        .dump();
  };
  const struct {
    std::string text;
    const char* said;
  } cases[] = {
      {"{\"format\":", "f.json is not a record export: it is not JSON"},
      {"[1]", "f.json is not a record export: it lacks \"format\": \"quintrel-record\""},
      {R"({"format":"quintrel-record","version":2,"rows":[]})",
       "f.json is a record export of a version this program does not know (it reads version 1)"},
      {R"({"format":"quintrel-record","version":1})",
       "f.json is not a record export: it has no \"rows\" array"},
      {with("ok", "yes"), "f.json: row 2 has no \"ok\" of true or false"},
      {with("port", 3), "f.json: row 2 has a \"port\" that is not a text"},
      {with("time", "2026-12-10 05:40"),
       "f.json: row 2 has a time that is not a UTC time as the record writes it "
       "(2026-12-10T05:40:00.123Z)"},
      {with("label", std::string(257, 'x')), "f.json: row 2 has a label longer than 256 bytes"},
      {with("identifier_written", "800"),
       "f.json: row 2 has an identifier_written that is not a hexadecimal identifier of at most "
       "7FF"},
      {with("identifier_source", "guess"),
       "f.json: row 2 has an identifier_source other than \"given\" or \"pool\""},
      {with("duration_ms", -1),
       "f.json: row 2 has a \"duration_ms\" that is not a whole number of at least 0"},
      {with("exit_code", 1.5),
       "f.json: row 2 has an \"exit_code\" that is not a whole number from 0 to 255"},
      {with("exit_code", 4294967303),
       "f.json: row 2 has an \"exit_code\" that is not a whole number from 0 to 255"},
      {with("colour", "red"),
       "f.json: row 2 has a field \"colour\" that a record row does not have"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    EXPECT_EQ(parse_export(c.text, "f.json").error(), c.said);
  }
}

TEST(SaveRows, TextListingLines) {
  record::SaveRow row = row_with_awkward_texts();
  row.label = "SN-7";
  EXPECT_EQ(save_line(row),
            "2026-12-10T05:40:00.123Z  bench, 2  /dev/ttyUSB0  17F  Saved !!!  [SN-7]");
  row = {};
  row.time = "T";
  row.station = "s";
  row.port = "p";
  row.exit_code = 3;
  row.message = "Communication port can not be opened";
  EXPECT_EQ(save_line(row), "T  s  p  -  failed (exit 3): Communication port can not be opened");
}

}  // namespace
}  // namespace quintrel::cli

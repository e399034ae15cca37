#include "cli/line/line_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli/batch/port_job.h"
#include "cli/batch/step_marks.h"
#include "cli/cli_arguments.h"
#include "cli/line/record_place.h"
#include "tests/cli/parsed_arguments.h"

namespace quintrel::cli {
namespace {

TEST(IdentifierRangeArgument, HexBoundsWithinTheElevenBitsInOrder) {
  const auto range = [](const char* text) {
    const std::optional<IdentifierRange> got = identifier_range_from_argument(text);
    return got ? std::optional(std::pair(got->first, got->last)) : std::nullopt;
  };
  EXPECT_EQ(range("100-17F"), std::pair(0x100u, 0x17Fu));
  EXPECT_EQ(range("0-7ff"), std::pair(0u, 0x7FFu));
  EXPECT_EQ(range("2A5-2a5"), std::pair(0x2A5u, 0x2A5u));
  for (const char* refused : {"17F-100", "100-800", "100", "-17F", "100-", "100--17F", "0x100-17F",
                              "100 -17F", "", "1-2-3"}) {
    SCOPED_TRACE(refused);
    EXPECT_FALSE(identifier_range_from_argument(refused));
  }
}

TEST(LineArguments, SaveFromAPoolAndTheRecordCommand) {
  const Parsed save =
      parse({"save", "-p", "X", "--bitrate", "1", "--id-from", "100-17f", "--record",
             "sqlite:/tmp/r.db", "--station", "bench 2", "--label", "SN-1"});
  ASSERT_TRUE(save.request) << save.err;
  EXPECT_EQ(save.request->line.id_from->first, 0x100u);
  EXPECT_EQ(save.request->line.id_from->last, 0x17Fu);
  EXPECT_TRUE(save.request->identifier.empty());
  EXPECT_EQ(save.request->line.record, "sqlite:/tmp/r.db");
  EXPECT_EQ(save.request->line.label, "SN-1");

  // The record command needs no port, whatever QUINTREL_PORT holds.
  const Parsed listing = parse({"record", "--csv", "--id", "07f", "--since", "2026-12-10"});
  ASSERT_TRUE(listing.request) << listing.err;
  EXPECT_EQ(listing.request->command, CliCommand::kRecord);
  EXPECT_TRUE(listing.request->line.csv);
  EXPECT_EQ(listing.request->line.identifier, "07f");
  const Parsed release = parse({"record", "--release", "17F"});
  ASSERT_TRUE(release.request) << release.err;
  EXPECT_EQ(release.request->line.release, 0x17Fu);
}

TEST(LineArguments, OptionsThatExcludeEachOtherAreUsageErrors) {
  const struct {
    std::vector<const char*> args;
    const char* said;
  } cases[] = {
      {{"save", "-p", "X", "--bitrate", "1"}, "save needs --id HEX or --id-from FIRST-LAST"},
      {{"save", "-p", "X", "--bitrate", "1", "--id", "1", "--id-from", "1-2"},
       "--id and --id-from both choose the identifier; give one of them"},
      {{"save", "-p", "X", "--bitrate", "1", "--id-from", "1-2", "--no-record"},
       "--id-from takes its identifiers from the record: not with --no-record"},
      {{"save", "-p", "X", "--bitrate", "1", "--id", "1", "--no-record", "--record", "sqlite:r"},
       "--record and --no-record exclude each other"},
      {{"save", "-p", "X", "--bitrate", "1", "--id-from", "2-1"},
       "--id-from: takes FIRST-LAST, hexadecimal identifiers of at most 7FF, FIRST not above "
       "LAST, not \"2-1\""},
      {{"save", "-p", "X", "--bitrate", "1", "--id", "1", "--label", "SN\xff"},
       "--label takes UTF-8 text of at most 256 bytes"},
      {{"record", "--json", "--csv"},
       "--json and --csv are two forms of the listing; give one of them"},
      {{"record", "--release", "1", "--import", "f.json"},
       "record does one thing at a time: list (with its filters), --release or --import"},
      {{"record", "--label", "x", "--release", "1"},
       "record does one thing at a time: list (with its filters), --release or --import"},
      {{"record", "--since", "yesterday"},
       "--since: takes a UTC time or its start (2026-12-10, 2026-12-10T05:40), not "
       "\"yesterday\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    const Parsed parsed = parse(c.args);
    EXPECT_FALSE(parsed.request);
    EXPECT_EQ(parsed.exit_code, 2);
    EXPECT_EQ(parsed.err.substr(0, parsed.err.find('\n')), c.said);
  }
}

TEST(RecordPlace, AskedForOrTheDefaultFolder) {
  std::map<std::string, std::string> variables;
  const VariableLookup lookup = [&](const char* name) -> Result<std::optional<std::string>> {
    const auto it = variables.find(name);
    if (it != variables.end() && it->second == "unreadable") {
      return Failure{"not UTF-16"};
    }
    return it == variables.end() ? std::nullopt : std::optional(it->second);
  };
  LineOptions options;
  EXPECT_EQ(default_record_where(lookup, false), "");
  variables = {{"HOME", "/home/op"}, {"XDG_DATA_HOME", "relative"}, {"LOCALAPPDATA", "C:\\U\\op"}};
  EXPECT_EQ(default_record_where(lookup, false), "sqlite:/home/op/.local/share/quintrel/record.db");
  EXPECT_EQ(default_record_where(lookup, true), "sqlite:C:\\U\\op\\Quintrel\\record.db");
  variables["XDG_DATA_HOME"] = "/data";
  EXPECT_EQ((*record_place(options, false, lookup, false))->where,
            "sqlite:/data/quintrel/record.db");
  EXPECT_FALSE((*record_place(options, false, lookup, false))->required);
  EXPECT_TRUE((*record_place(options, true, lookup, false))->required);  // the record command's
  EXPECT_FALSE(*record_place(options, false, lookup, true));  // no default record on Windows
  options.id_from = IdentifierRange{1, 2};
  EXPECT_TRUE((*record_place(options, false, lookup, false))->required);
  variables[kRecordVariable] = "postgresql://line@db/q";
  EXPECT_EQ((*record_place(options, false, lookup, false))->where, "postgresql://line@db/q");
  options.record = "sqlite:here.db";
  EXPECT_EQ((*record_place(options, false, lookup, false))->where, "sqlite:here.db");
  options.no_record = true;
  EXPECT_FALSE(*record_place(options, false, lookup, false));
  // A record named by a variable that cannot be read is not quietly replaced by the default.
  options = {};
  variables[kRecordVariable] = "unreadable";
  EXPECT_EQ(record_place(options, false, lookup, false).error(),
            "QUINTREL_RECORD cannot be read (not UTF-16)");
}

TEST(LineJob, AChildReadsBeforeWritingWhenItsRunSaysSo) {
  CliRequest request;
  request.command = CliCommand::kSave;
  request.identifier = u"17F";
  request.line.read_before = true;
  const Result<CliRequest> child = port_job_request(port_job_text(request, "COM3", 7));
  ASSERT_TRUE(child) << child.error();
  EXPECT_TRUE(child->line.read_before);
  EXPECT_EQ(job_steps(*child), (std::vector<std::string>{
                                   "reading the bitrate", "reading the identifier",
                                   "writing the bitrate", "writing the identifier", "committing"}));
  EXPECT_FALSE(port_job_request(R"({"command":"save","port":"P","bitrate":1,"identifier":"1",)"
                                R"("read_before":"yes"})"));
}

}  // namespace
}  // namespace quintrel::cli

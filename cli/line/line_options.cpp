#include "cli/line/line_options.h"

#include <CLI/CLI.hpp>

#include "base/utf8_text.h"
#include "cli/argument_forms.h"
#include "cli/cli_arguments.h"

namespace quintrel::cli {

namespace {

// A time as the record keeps it, or a prefix of one: "2026-12-10", "2026-12-10T05:40".
bool is_time_prefix(std::string_view text) {
  if (text.size() < 4) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    if (i < 4 ? !digit : !(digit || c == '-' || c == 'T' || c == ':' || c == '.' || c == 'Z')) {
      return false;
    }
  }
  return true;
}

std::string time_check(const std::string& text) {
  return is_time_prefix(text) ? std::string()
                              : "takes a UTC time or its start (2026-12-10, 2026-12-10T05:40), "
                                "not \"" +
                                    text + "\"";
}

}  // namespace

std::optional<IdentifierRange> identifier_range_from_argument(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<std::uint32_t> first = identifier_value_from_argument(text.substr(0, dash));
  const std::optional<std::uint32_t> last = identifier_value_from_argument(text.substr(dash + 1));
  if (!first || !last || *first > *last) {
    return std::nullopt;
  }
  return IdentifierRange{*first, *last};
}

void add_line_save_options(CLI::App& save, LineOptions& options) {
  save.add_option_function<std::string>(
          "--id-from",
          [&options](const std::string& text) {
            options.id_from = identifier_range_from_argument(text);
          },
          "Instead of --id: give each port the lowest identifier of FIRST-LAST "
          "(hexadecimal, e.g. 100-17F) that the record has not given out")
      ->check(accepts(identifier_range_from_argument,
                      "takes FIRST-LAST, hexadecimal identifiers of at most 7FF, FIRST not above "
                      "LAST"))
      ->option_text("FIRST-LAST");
  save.add_option("--record", options.record,
                  "The record every save is kept in: sqlite:PATH or postgresql://USER@HOST/DB "
                  "(one a whole line shares); default: $QUINTREL_RECORD, else an SQLite file in "
                  "the user's data folder")
      ->option_text("WHERE");
  save.add_flag("--no-record", options.no_record, "Keep no record of this save");
  save.add_option("--station", options.station,
                  "The station's name in the record; default: the host name")
      ->option_text("NAME");
  save.add_option("--label", options.label,
                  "A text recorded with each port's save (a scanned serial number)")
      ->option_text("TEXT");
}

CLI::App* add_record_command(CLI::App& app, LineOptions& options, bool& json) {
  CLI::App* record = app.add_subcommand(
      "record",
      "List the record of saves, return an uncertain identifier, or take a station's "
      "exported rows");
  record->add_flag("--json", json, "A JSON array of the saves");
  record->add_flag("--csv", options.csv, "The saves as CSV, with a header line");
  record->add_option("--id", options.identifier, "Only saves that wrote this identifier (hex)")
      ->check(
          accepts(identifier_value_from_argument, "takes a hexadecimal identifier of at most 7FF"))
      ->option_text("HEX");
  record->add_option("--station", options.station, "Only this station's saves")
      ->option_text("NAME");
  record->add_option("--label", options.label, "Only saves with this label")->option_text("TEXT");
  record->add_option("--since", options.since, "Only saves at or after this UTC time")
      ->check(time_check)
      ->option_text("TIME");
  record->add_option("--until", options.until, "Only saves before this UTC time")
      ->check(time_check)
      ->option_text("TIME");
  record
      ->add_option_function<std::string>(
          "--release",
          [&options](const std::string& text) {
            options.release = identifier_value_from_argument(text);
          },
          "Return an uncertain identifier (taken by a save that failed after sending "
          "it, or whose station stopped during it) to the pool, once the device is known not "
          "to hold it")
      ->check(
          accepts(identifier_value_from_argument, "takes a hexadecimal identifier of at most 7FF"))
      ->option_text("HEX");
  record
      ->add_option("--import", options.import_file,
                   "Take the rows a browser station exported into this record")
      ->option_text("FILE");
  record
      ->add_option("--record", options.record,
                   "The record: sqlite:PATH or postgresql://...; default: $QUINTREL_RECORD, "
                   "else the SQLite file in the user's data folder")
      ->option_text("WHERE");
  return record;
}

Result<void> check_line_save_usage(const LineOptions& options, bool id_given) {
  for (const auto& [name, text] :
       {std::pair{"--station", &options.station}, std::pair{"--label", &options.label}}) {
    if (text->size() > kLongestName || utf8_from_utf16(utf16_from_utf8(*text)) != *text) {
      return Failure{std::string(name) + " takes UTF-8 text of at most " +
                     std::to_string(kLongestName) + " bytes"};
    }
  }
  if (id_given == options.id_from.has_value()) {
    return Failure{id_given ? "--id and --id-from both choose the identifier; give one of them"
                            : "save needs --id HEX or --id-from FIRST-LAST"};
  }
  if (options.no_record && (options.id_from || !options.record.empty())) {
    return Failure{options.id_from
                       ? "--id-from takes its identifiers from the record: not with --no-record"
                       : "--record and --no-record exclude each other"};
  }
  return {};
}

Result<void> check_record_usage(const LineOptions& options, bool json) {
  const bool listing = json || options.csv || !options.identifier.empty() ||
                       !options.station.empty() || !options.label.empty() ||
                       !options.since.empty() || !options.until.empty();
  if (json && options.csv) {
    return Failure{"--json and --csv are two forms of the listing; give one of them"};
  }
  if (static_cast<int>(listing) + static_cast<int>(options.release.has_value()) +
          static_cast<int>(!options.import_file.empty()) >
      1) {
    return Failure{
        "record does one thing at a time: list (with its filters), --release or --import"};
  }
  return {};
}

}  // namespace quintrel::cli

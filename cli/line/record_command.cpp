#include "cli/line/record_command.h"

#include <fstream>

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "cli/argument_forms.h"
#include "cli/cli_commands.h"
#include "cli/line/line_recorder.h"
#include "cli/line/record_opening.h"
#include "cli/line/row_formats.h"

namespace quintrel::cli {

namespace {

using record::IdentifierState;
using record::LineRecord;

// The file's text, at most kImportFileMax bytes.
Result<std::string> read_import_file(const std::string& file) {
  std::ifstream in(std::filesystem::path(utf16_from_utf8(file)), std::ios::binary);
  if (!in) {
    return Failure{file + " cannot be read"};
  }
  std::string text(kImportFileMax + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    return Failure{file + " cannot be read to its end"};
  }
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > kImportFileMax) {
    return Failure{file + " is larger than " + std::to_string(kImportFileMax / (1024 * 1024)) +
                   " MiB: not a station's export"};
  }
  return text;
}

int import_rows(const CliRequest& request, LineRecord& record, std::ostream& out,
                std::ostream& err) {
  const std::string& file = request.line.import_file;
  Result<std::string> text = read_import_file(file);
  Result<std::vector<record::SaveRow>> rows =
      text ? parse_export(*text, file)
           : Result<std::vector<record::SaveRow>>(Failure{text.error()});
  if (!rows) {
    err << rows.error() << ": nothing was imported\n";
    return kExitUsage;
  }
  const Result<std::size_t> added = record.import_saves(*rows);
  if (!added) {
    err << "The record " << record.where() << " could not take the rows of " << file << " ("
        << record_cause(added.error(), record.where()) << "): nothing was imported\n";
    return kExitRecordFailed;
  }
  out << "imported " << *added << " of " << rows->size() << " rows from " << file << " into "
      << record.where();
  if (*added < rows->size()) {
    out << " (" << rows->size() - *added << " were there already)";
  }
  out << '\n';
  return kExitSuccess;
}

int release(std::uint32_t identifier, LineRecord& record, std::ostream& out, std::ostream& err) {
  const std::string id = hex_text(identifier);
  const Result<std::vector<record::IdentifierEntry>> held = record.identifiers();
  if (!held) {
    err << "The record " << record.where() << " cannot be read ("
        << record_cause(held.error(), record.where()) << ")\n";
    return kExitRecordFailed;
  }
  for (const record::IdentifierEntry& entry : *held) {
    if (entry.identifier == identifier && entry.state == IdentifierState::kGiven) {
      err << "identifier " << id << " was given for good (" << entry.station << ", " << entry.port
          << ", " << entry.time << "): it is not released\n";
      return kExitFailure;
    }
    if (entry.identifier == identifier) {
      if (const Result<void> released = record.release_identifier(identifier); !released) {
        err << "The record " << record.where() << " could not release " << id << " ("
            << record_cause(released.error(), record.where()) << ")\n";
        return kExitRecordFailed;
      }
      out << "identifier " << id << " is back in the pool\n";
      return kExitSuccess;
    }
  }
  err << "identifier " << id << " is not held by the record: there is nothing to release\n";
  return kExitFailure;
}

// Whether the listing's filter lets an uncertain identifier through: it has no label, and its
// time is when it was taken (ISO texts compare as times).
bool passes(const record::RowFilter& filter, const record::IdentifierEntry& entry) {
  return (filter.identifier.empty() || filter.identifier == hex_text(entry.identifier)) &&
         (filter.station.empty() || filter.station == entry.station) && filter.label.empty() &&
         (filter.since.empty() || entry.time >= filter.since) &&
         (filter.until.empty() || entry.time < filter.until);
}

int list(const CliRequest& request, LineRecord& record, std::ostream& out, std::ostream& err) {
  const record::RowFilter filter{
      request.line.identifier.empty()
          ? std::string()
          : hex_text(*identifier_value_from_argument(request.line.identifier)),
      request.line.station, request.line.label, request.line.since, request.line.until};
  const Result<std::vector<record::SaveRow>> rows = record.saves(filter);
  const Result<std::vector<record::IdentifierEntry>> held =
      rows ? record.identifiers()
           : Result<std::vector<record::IdentifierEntry>>(std::vector<record::IdentifierEntry>());
  if (!rows || !held) {
    err << "The record " << record.where() << " cannot be read ("
        << record_cause(rows ? held.error() : rows.error(), record.where()) << ")\n";
    return kExitRecordFailed;
  }
  if (request.json) {
    out << saves_json_text(*rows) << '\n';
  } else if (request.line.csv) {
    out << saves_csv_text(*rows);
  } else {
    for (const record::SaveRow& row : *rows) {
      out << save_line(row) << '\n';
    }
    for (const record::IdentifierEntry& entry : *held) {
      if (entry.state == IdentifierState::kUncertain && passes(filter, entry)) {
        out << uncertain_line(entry) << '\n';
      }
    }
  }
  return kExitSuccess;
}

}  // namespace

std::string save_line(const record::SaveRow& row) {
  std::string line =
      row.time + "  " + row.station + "  " + row.port + "  " +
      (row.identifier_written.empty() ? "-" : row.identifier_written) + "  " +
      (row.ok ? row.message
              : "failed (exit " + std::to_string(row.exit_code) + "): " + row.message);
  return row.label.empty() ? line : line + "  [" + row.label + "]";
}

std::string uncertain_line(const record::IdentifierEntry& entry) {
  const std::string id = hex_text(entry.identifier);
  return "uncertain: " + id + " (" + entry.station + ", " + entry.port + ", " + entry.time +
         "): its save failed after sending it, or its station stopped during the save (or the "
         "save is still running); once the device is known not to hold it, "
         "quintrel-cli record --release " +
         id;
}

int run_record_command(const CliRequest& request, std::ostream& out, std::ostream& err) {
  Result<std::unique_ptr<LineRecord>> opened = open_command_record(request);
  if (!opened) {
    err << opened.error() << '\n';
    return kExitRecordFailed;
  }
  LineRecord& record = **opened;
  if (request.line.release) {
    return release(*request.line.release, record, out, err);
  }
  if (!request.line.import_file.empty()) {
    return import_rows(request, record, out, err);
  }
  return list(request, record, out, err);
}

}  // namespace quintrel::cli

#include "cli/line/row_formats.h"

#include <array>
#include <functional>
#include <set>

#include "base/ascii_text.h"
#include "cli/argument_forms.h"
#include "cli/line/line_options.h"

namespace quintrel::cli {

namespace {

using record::SaveRow;

// The text fields in their order, with the member each name stands for.
struct TextField {
  const char* name;
  std::string SaveRow::*member;
};
constexpr std::array<TextField, 15> kTextFields = {{
    {"time", &SaveRow::time},
    {"station", &SaveRow::station},
    {"operator", &SaveRow::operator_name},
    {"port", &SaveRow::port},
    {"by_id", &SaveRow::by_id},
    {"usb_id", &SaveRow::usb_id},
    {"usb_serial", &SaveRow::usb_serial},
    {"label", &SaveRow::label},
    {"bitrate_before", &SaveRow::bitrate_before},
    {"identifier_before", &SaveRow::identifier_before},
    {"bitrate_written", &SaveRow::bitrate_written},
    {"identifier_written", &SaveRow::identifier_written},
    {"identifier_source", &SaveRow::identifier_source},
    {"verify", &SaveRow::verify},
    {"message", &SaveRow::message},
}};

// The names of a row in the listing's order: the texts up to "verify", then the outcome.
std::vector<std::string> field_names() {
  std::vector<std::string> names;
  for (const TextField& field : kTextFields) {
    if (std::string_view(field.name) == "message") {
      names.insert(names.end(), {"ok", "message", "exit_code", "duration_ms"});
    } else {
      names.emplace_back(field.name);
    }
  }
  return names;
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c == '"' ? "\"\"" : std::string(1, c);
  }
  return quoted + '"';
}

// Row fields of their own form: the time as the record writes it ("2026-12-10T05:40:00.123Z"),
// so that rows sort, filter and match as the station's own do.
bool is_record_time(const std::string& text) {
  constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != kForm.size()) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (kForm[i] == 'd' ? !(text[i] >= '0' && text[i] <= '9') : text[i] != kForm[i]) {
      return false;
    }
  }
  return true;
}

// What a row's field must hold, beyond its type; empty when it does.
std::string field_problem(const std::string& name, const std::string& value) {
  if (name == "time" && !is_record_time(value)) {
    return "has a time that is not a UTC time as the record writes it (2026-12-10T05:40:00.123Z)";
  }
  if ((name == "label" || name == "station") && value.size() > kLongestName) {
    return "has a " + name + " longer than " + std::to_string(kLongestName) + " bytes";
  }
  if (name == "identifier_written" && !value.empty() && !identifier_value_from_argument(value)) {
    return "has an identifier_written that is not a hexadecimal identifier of at most 7FF";
  }
  if (name == "identifier_source" && value != "" && value != "given" && value != "pool") {
    return "has an identifier_source other than \"given\" or \"pool\"";
  }
  if (name == "verify" && value != "" && value != "ok" && value != "mismatch") {
    return "has a verify other than \"ok\" or \"mismatch\"";
  }
  return {};
}

// The numbers of a row: ok, exit_code (0..255, as a process's status) and duration_ms.
Result<void> take_numbers(const JsonObject& object, SaveRow& row) {
  const auto ok = object.find("ok");
  const auto exit_code = object.find("exit_code");
  const auto duration = object.find("duration_ms");
  if (ok == object.end() || !ok->is_boolean()) {
    return Failure{"has no \"ok\" of true or false"};
  }
  if (exit_code != object.end() &&
      !(exit_code->is_number_integer() && *exit_code >= 0 && *exit_code <= 255)) {
    return Failure{"has an \"exit_code\" that is not a whole number from 0 to 255"};
  }
  if (duration != object.end() && !(duration->is_number_integer() && *duration >= 0)) {
    return Failure{"has a \"duration_ms\" that is not a whole number of at least 0"};
  }
  row.ok = ok->get<bool>();
  row.exit_code = exit_code == object.end() ? 0 : exit_code->get<int>();
  row.duration_ms = duration == object.end() ? 0 : duration->get<std::int64_t>();
  return {};
}

// One exported row into a SaveRow, or what is wrong with it.
Result<SaveRow> row_from_json(const JsonObject& object) {
  if (!object.is_object()) {
    return Failure{"is not an object"};
  }
  SaveRow row;
  std::set<std::string> known = {"ok", "exit_code", "duration_ms"};
  for (const TextField& field : kTextFields) {
    known.insert(field.name);
    const auto it = object.find(field.name);
    if (it != object.end() && !it->is_string()) {
      return Failure{std::string("has a \"") + field.name + "\" that is not a text"};
    }
    row.*field.member = it == object.end() ? std::string() : it->get<std::string>();
    if (std::string problem = field_problem(field.name, row.*field.member); !problem.empty()) {
      return Failure{problem};
    }
  }
  if (!row.identifier_written.empty()) {  // "07ff" as the station writes it: "7FF"
    row.identifier_written = hex_text(*identifier_value_from_argument(row.identifier_written));
  }
  for (const auto& [key, value] : object.items()) {
    if (!known.contains(key)) {
      return Failure{"has a field \"" + key + "\" that a record row does not have"};
    }
  }
  if (Result<void> numbers = take_numbers(object, row); !numbers) {
    return Failure{numbers.error()};
  }
  return row;
}

}  // namespace

JsonObject save_row_json(const SaveRow& row) {
  JsonObject object = JsonObject::object();
  for (const TextField& field : kTextFields) {
    if (std::string_view(field.name) == "message") {
      object["ok"] = row.ok;
    }
    object[field.name] = row.*field.member;
  }
  object["exit_code"] = row.exit_code;
  object["duration_ms"] = row.duration_ms;
  return object;
}

std::string saves_json_text(const std::vector<SaveRow>& rows) {
  JsonObject array = JsonObject::array();
  for (const SaveRow& row : rows) {
    array.push_back(save_row_json(row));
  }
  return json_text(array);
}

std::string saves_csv_text(const std::vector<SaveRow>& rows) {
  const std::vector<std::string> names = field_names();
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : ",") + names[i];
  }
  text += "\r\n";
  for (const SaveRow& row : rows) {
    const JsonObject object = save_row_json(row);
    for (std::size_t i = 0; i < names.size(); ++i) {
      const JsonObject& value = object[names[i]];
      text += (i == 0 ? "" : ",") +
              csv_field(value.is_string() ? value.get<std::string>() : value.dump());
    }
    text += "\r\n";
  }
  return text;
}

Result<std::vector<SaveRow>> parse_export(std::string_view text, const std::string& file) {
  const std::string where = file + " is not a record export: ";
  const JsonObject object = JsonObject::parse(text, nullptr, false);
  if (object.is_discarded()) {
    return Failure{where + "it is not JSON"};
  }
  if (!object.is_object() || object.value("format", JsonObject()) != kExportFormat) {
    return Failure{where + "it lacks \"format\": \"" + kExportFormat + "\""};
  }
  if (object.value("version", JsonObject()) != kExportVersion) {
    return Failure{file +
                   " is a record export of a version this program does not know (it reads "
                   "version " +
                   std::to_string(kExportVersion) + ")"};
  }
  const auto rows = object.find("rows");
  if (rows == object.end() || !rows->is_array()) {
    return Failure{where + "it has no \"rows\" array"};
  }
  std::vector<SaveRow> taken;
  for (std::size_t i = 0; i < rows->size(); ++i) {
    Result<SaveRow> row = row_from_json((*rows)[i]);
    if (!row) {
      return Failure{file + ": row " + std::to_string(i + 1) + " " + row.error()};
    }
    taken.push_back(std::move(*row));
  }
  return taken;
}

}  // namespace quintrel::cli

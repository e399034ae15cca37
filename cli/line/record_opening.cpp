#include "cli/line/record_opening.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/utf8_text.h"

namespace quintrel::cli {

namespace {

constexpr char kSqlitePrefix[] = "sqlite:";

}  // namespace

Result<std::unique_ptr<record::LineRecord>> open_line_record(const std::string& where) {
  if (where.empty()) {
    return Failure{
        "there is no data folder to keep it in (no home folder): give --record WHERE "
        "or set QUINTREL_RECORD"};
  }
  if (where.starts_with(kSqlitePrefix)) {
    const std::filesystem::path file(
        utf16_from_utf8(std::string_view(where).substr(sizeof kSqlitePrefix - 1)));
    std::error_code error;
    if (file.has_parent_path()) {
      std::filesystem::create_directories(file.parent_path(), error);
    }
    if (error) {
      return Failure{"its folder cannot be made: " + error.message()};
    }
  }
  return record::open_record(where);
}

std::string record_cause(const std::string& failure, const std::string& where) {
  const std::string named = "The record " + where;
  if (!failure.starts_with(named)) {
    return failure;
  }
  const std::string_view rest = std::string_view(failure).substr(named.size());
  return std::string(rest.starts_with(": ") ? rest.substr(2) : rest.substr(rest.starts_with(' ')));
}

}  // namespace quintrel::cli

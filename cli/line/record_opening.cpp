#include "cli/line/record_opening.h"

#include <string_view>

namespace quintrel::cli {

Result<std::unique_ptr<record::LineRecord>> open_line_record(const std::string& where) {
  if (where.empty()) {
    return Failure{
        "No record is named and there is no data folder to keep one in (no home folder): give "
        "--record WHERE or set QUINTREL_RECORD"};
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

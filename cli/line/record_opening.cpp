#include "cli/line/record_opening.h"

namespace quintrel::cli {

Result<std::unique_ptr<record::LineRecord>> open_line_record(const std::string& where) {
  if (where.empty()) {
    return Failure{
        "No record is named and there is no data folder to keep one in (no home folder): give "
        "--record WHERE or set QUINTREL_RECORD"};
  }
  return record::open_record(where);
}

}  // namespace quintrel::cli

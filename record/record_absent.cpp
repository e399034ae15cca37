// The Windows build's record: Debian has neither SQLite nor libpq for MinGW, so no record opens,
// and a save that asks for one touches no device (its caller sees this failure first).
#include "record/line_record.h"
#include "record/record_address.h"

namespace quintrel::record {

Result<std::unique_ptr<LineRecord>> open_record(const std::string& where) {
  return Failure{"The record " + address_without_password(where) +
                 " cannot be opened: this Windows build of quintrel-cli has no SQLite or "
                 "PostgreSQL library; keep a line's record with quintrel-cli on Linux"};
}

}  // namespace quintrel::record

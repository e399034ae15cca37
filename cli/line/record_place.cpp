#include "cli/line/record_place.h"

namespace quintrel::cli {

namespace {

// The variable's value; one that cannot be read names no folder either.
std::optional<std::string> folder_variable(const VariableLookup& variable, const char* name) {
  const Result<std::optional<std::string>> value = variable(name);
  return value ? *value : std::nullopt;
}

bool is_absolute(const std::string& path, bool windows) {
  return windows ? path.size() > 2 && path[1] == ':' : path.starts_with('/');
}

}  // namespace

std::string default_record_where(const VariableLookup& variable, bool windows) {
  if (windows) {
    const std::optional<std::string> local = folder_variable(variable, "LOCALAPPDATA");
    return local && is_absolute(*local, true) ? "sqlite:" + *local + "\\Quintrel\\record.db"
                                              : std::string();
  }
  // XDG: a relative value is to be ignored.
  if (const std::optional<std::string> data = folder_variable(variable, "XDG_DATA_HOME");
      data && is_absolute(*data, false)) {
    return "sqlite:" + *data + "/quintrel/record.db";
  }
  const std::optional<std::string> home = folder_variable(variable, "HOME");
  return home && is_absolute(*home, false) ? "sqlite:" + *home + "/.local/share/quintrel/record.db"
                                           : std::string();
}

Result<std::optional<RecordPlace>> record_place(const LineOptions& options, bool record_command,
                                                const VariableLookup& variable, bool windows) {
  if (options.no_record) {
    return std::optional<RecordPlace>();
  }
  if (!options.record.empty()) {
    return std::optional(RecordPlace{options.record, true});
  }
  const Result<std::optional<std::string>> named = variable(kRecordVariable);
  if (!named) {
    return Failure{std::string(kRecordVariable) + " cannot be read (" + named.error() + ")"};
  }
  if (*named && !(*named)->empty()) {
    return std::optional(RecordPlace{**named, true});
  }
  const bool required = record_command || options.id_from.has_value();
  if (windows && !required) {
    return std::optional<RecordPlace>();  // the Windows build opens no record (record_absent)
  }
  return std::optional(RecordPlace{default_record_where(variable, windows), required});
}

}  // namespace quintrel::cli

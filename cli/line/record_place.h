// Which record a command uses: --record, else QUINTREL_RECORD, else an SQLite file in the user's
// data folder. A record that was asked for (--record, QUINTREL_RECORD, --id-from, the record
// command) must be reached before any device is touched; the default one of a plain save is a
// convenience that may fail with a warning.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/result.h"
#include "cli/line/line_options.h"

namespace quintrel::cli {

struct RecordPlace {
  std::string where;  // "sqlite:PATH" or "postgresql://..."; empty: no place could be found
  bool required = false;
};

// A variable's value, nullopt when it is not set; a failure when it cannot be read
// (environment_variable).
using VariableLookup = std::function<Result<std::optional<std::string>>(const char* name)>;

// The default record: Linux $XDG_DATA_HOME/quintrel/record.db, else
// $HOME/.local/share/quintrel/record.db; Windows %LOCALAPPDATA%\Quintrel\record.db. Empty when
// the variables name no folder (a service without a home) or cannot be read.
std::string default_record_where(const VariableLookup& variable, bool windows);

// The record a save or the record command uses; nullopt for a save with --no-record, and on
// Windows for a save that asks for no record (that build keeps none). A failure
// when QUINTREL_RECORD is set but cannot be read: the record it names cannot be told.
Result<std::optional<RecordPlace>> record_place(const LineOptions& options, bool record_command,
                                                const VariableLookup& variable, bool windows);

}  // namespace quintrel::cli

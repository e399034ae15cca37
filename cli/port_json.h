// quintrel-cli's JSON: one object a line, keys in the order they were added, and a key whose
// value is not known left out, never null.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ports/port_list.h"

namespace quintrel::cli {

using JsonObject = nlohmann::ordered_json;

// The object as one line of text (without its newline). Bytes that are not UTF-8 (a driver's
// text) become U+FFFD rather than stopping the output.
std::string json_text(const JsonObject& object);

// "usb", "uart", "pty", "legacy" or "other".
const char* port_kind_text(PortKind kind);

// A port of the list as `ports --json` prints it: "port" (what -p takes), "description" (so that
// port(description) is the plain line; absent when empty), "kind", then "vid", "pid", "serial",
// "manufacturer", "product", "by_id", "link" and "location" where the platform told them.
JsonObject port_json(const ScannedPort& port);

// A port's result with "by_id" and "link" of its entry in the list (where known) after its
// "port", so that results map back to adapters and bench positions as `ports --json` does.
JsonObject with_port_places(const JsonObject& result, const std::vector<ScannedPort>& listed);

}  // namespace quintrel::cli

// A port of the list as one JSON object: what -p takes, its description, its kind and what the
// platform tells of the device behind it. A key that is not known is left out, never null.
#pragma once

#include <nlohmann/json.hpp>

#include "link/port_list.h"

namespace quintrel::cli {

// "port", "description" (when there is one), "kind" ("usb", "uart", "pty", "legacy", "other"),
// then "vid", "pid", "serial", "manufacturer", "product", "by_id", "link", "location" where known.
nlohmann::ordered_json port_json(const ScannedPort& port);

}  // namespace quintrel::cli

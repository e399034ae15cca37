#include "cli/port_json.h"

#include <algorithm>
#include <utility>

#include "base/utf8_text.h"

namespace quintrel::cli {

std::string json_text(const JsonObject& object) {
  return object.dump(-1, ' ', false, JsonObject::error_handler_t::replace);
}

const char* port_kind_text(PortKind kind) {
  switch (kind) {
    case PortKind::kUsb:
      return "usb";
    case PortKind::kUart:
      return "uart";
    case PortKind::kPty:
      return "pty";
    case PortKind::kLegacy:
      return "legacy";
    case PortKind::kOther:
      break;
  }
  return "other";
}

JsonObject port_json(const ScannedPort& port) {
  JsonObject object;
  object["port"] = utf8_from_utf16(port.name);
  if (!port.description.empty()) {
    object["description"] = utf8_from_utf16(port.description);
  }
  object["kind"] = port_kind_text(port.kind);
  const std::pair<const char*, const std::string*> details[] = {
      {"vid", &port.vid},         {"pid", &port.pid},
      {"serial", &port.serial},   {"manufacturer", &port.manufacturer},
      {"product", &port.product}, {"by_id", &port.by_id},
      {"link", &port.symlink},    {"location", &port.location},
  };
  for (const auto& [key, value] : details) {
    if (!value->empty()) {
      object[key] = *value;
    }
  }
  return object;
}

namespace {

const ScannedPort* listed_entry(const std::string& port, const std::vector<ScannedPort>& listed) {
  const std::u16string name = utf16_from_utf8(port);
  const auto entry =
      std::find_if(listed.begin(), listed.end(),
                   [&name](const ScannedPort& listed_port) { return listed_port.name == name; });
  return entry == listed.end() ? nullptr : &*entry;
}

}  // namespace

JsonObject with_port_places(const JsonObject& result, const std::vector<ScannedPort>& listed) {
  const auto port = result.find("port");
  const ScannedPort* entry =
      port != result.end() && port->is_string() ? listed_entry(*port, listed) : nullptr;
  if (entry == nullptr) {
    return result;
  }
  JsonObject placed;
  for (const auto& [key, value] : result.items()) {
    placed[key] = value;
    if (key == "port") {
      for (const auto& [place, text] :
           {std::pair{"by_id", &entry->by_id}, {"link", &entry->symlink}}) {
        if (!text->empty()) {
          placed[place] = *text;
        }
      }
    }
  }
  return placed;
}

}  // namespace quintrel::cli

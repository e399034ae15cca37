#include "ui/cli/port_json.h"

#include "link/utf8_text.h"

namespace quintrel::cli {

namespace {

const char* kind_name(PortKind kind) {
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

}  // namespace

nlohmann::ordered_json port_json(const ScannedPort& port) {
  nlohmann::ordered_json object;
  object["port"] = utf8_from_utf16(port.name);
  if (!port.description.empty()) {
    object["description"] = utf8_from_utf16(port.description);
  }
  object["kind"] = kind_name(port.kind);
  const std::pair<const char*, const std::string*> known[] = {
      {"vid", &port.vid},         {"pid", &port.pid},
      {"serial", &port.serial},   {"manufacturer", &port.manufacturer},
      {"product", &port.product}, {"by_id", &port.by_id},
      {"link", &port.link},       {"location", &port.location},
  };
  for (const auto& [key, value] : known) {
    if (!value->empty()) {
      object[key] = *value;
    }
  }
  return object;
}

}  // namespace quintrel::cli

#include "ui/cli/port_targets.h"

#include <algorithm>

#include "link/serial_link.h"
#include "link/utf8_text.h"

namespace quintrel::cli {

namespace {

constexpr int kLegacyPortCount = 10;

}  // namespace

std::vector<ScannedPort> listed_ports() {
  std::vector<ScannedPort> listed;
  if (port_scanner() != nullptr) {
    listed = port_scanner()->present_ports();
  }
  for (int number = 1; number <= kLegacyPortCount; ++number) {
    ScannedPort legacy;
    legacy.name = utf16_from_utf8("COM" + std::to_string(number));
    legacy.kind = PortKind::kLegacy;
    listed.push_back(std::move(legacy));
  }
  return listed;
}

PortTargets resolve_port_targets(const std::vector<std::string>& named,
                                 const std::vector<ScannedPort>& listed) {
  PortTargets targets;
  targets.multi = named.size() > 1;
  for (const std::string& text : named) {
    const std::u16string name = port_name_from_box_text(utf16_from_utf8(text));
    const auto same = [&name](const ScannedPort& port) { return port.name == name; };
    if (std::any_of(targets.ports.begin(), targets.ports.end(), same)) {
      continue;
    }
    const auto entry = std::find_if(listed.begin(), listed.end(), same);
    ScannedPort unlisted;
    unlisted.name = name;
    targets.ports.push_back(entry != listed.end() ? *entry : unlisted);
  }
  return targets;
}

std::vector<ScannedPort> select_listed(const std::string& selector,
                                       const std::vector<ScannedPort>& listed) {
  const std::u16string name = port_name_from_box_text(utf16_from_utf8(selector));
  std::vector<ScannedPort> selected;
  std::copy_if(listed.begin(), listed.end(), std::back_inserter(selected),
               [&name](const ScannedPort& port) { return port.name == name; });
  return selected;
}

}  // namespace quintrel::cli

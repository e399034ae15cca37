#include "cli/port_targets.h"

#include <algorithm>
#include <set>

#include "base/utf8_text.h"
#include "ports/port_identity.h"

namespace quintrel::cli {

std::string system_port_identity(const std::string& port_name) {
  return port_identity(utf16_from_utf8(port_name));
}

bool system_port_exists(const std::string& port_name) {
  return port_name_exists(utf16_from_utf8(port_name));
}

std::vector<ScannedPort> port_list_for(const std::vector<std::string>& selectors,
                                       PortScanner* scanner) {
  const bool needed =
      std::any_of(selectors.begin(), selectors.end(),
                  [](const std::string& selector) { return selector_uses_port_list(selector); });
  return needed ? port_list_entries(scanner) : std::vector<ScannedPort>();
}

Result<PortTargets> resolve_port_targets(const std::vector<std::string>& selectors,
                                         const std::vector<ScannedPort>& listed,
                                         const PortIdentity& identity, const PortExists& exists) {
  PortTargets targets;
  targets.batch = selectors.size() > 1;
  std::set<std::string> devices;
  for (const std::string& selector : selectors) {
    const Result<SelectedPorts> selected = select_ports(selector, listed, identity, exists);
    if (!selected) {
      return Failure{selected.error()};
    }
    targets.batch = targets.batch || selected->batch;
    for (const std::string& name : selected->ports) {
      if (!devices.insert(identity ? identity(name) : name).second) {
        continue;
      }
      const std::u16string wide = utf16_from_utf8(name);
      const auto entry =
          std::find_if(listed.begin(), listed.end(),
                       [&wide](const ScannedPort& port) { return port.name == wide; });
      ScannedPort unlisted;
      unlisted.name = wide;
      targets.ports.push_back(entry != listed.end() ? *entry : unlisted);
    }
  }
  return targets;
}

}  // namespace quintrel::cli

// Which ports a command runs on: the port list as the port box holds it (with what is known of
// each port), and the ports named by -p. The same port named twice runs once.
#pragma once

#include <string>
#include <vector>

#include "link/port_list.h"

namespace quintrel::cli {

// The installed scanner's ports, then "COM1".."COM10" (kind legacy), as fill_port_list lists them.
std::vector<ScannedPort> listed_ports();

struct PortTargets {
  std::vector<ScannedPort> ports;  // the listed entry where the list has the port
  bool multi = false;              // named by several -p: a run over many ports
};

// Each -p names one port: its text before the first "(", as the port box would open it.
PortTargets resolve_port_targets(const std::vector<std::string>& named,
                                 const std::vector<ScannedPort>& listed);

// The listed ports a selector names (ports --probe --match).
std::vector<ScannedPort> select_listed(const std::string& selector,
                                       const std::vector<ScannedPort>& listed);

}  // namespace quintrel::cli

// Which ports a command runs on: the ports named by every -p selector (see select_ports), each
// device once however often it is named.
#pragma once

#include <string>
#include <vector>

#include "base/result.h"
#include "ports/port_list.h"
#include "ports/port_selector.h"

namespace quintrel::cli {

struct PortTargets {
  std::vector<ScannedPort> ports;  // the listed entry where the list has the port
  bool batch = false;              // several -p or a glob: a batch run over many ports
};

// The identity of a port as port_identity gives it.
std::string system_port_identity(const std::string& port_name);

// Whether the name as written names something, as port_name_exists says.
bool system_port_exists(const std::string& port_name);

// The system's port list when some selector needs it (selector_uses_port_list), else nothing:
// the scan costs a child of a run over many ports more than its exchanges with the device.
std::vector<ScannedPort> port_list_for(const std::vector<std::string>& selectors,
                                       PortScanner* scanner);

// The ports the selectors name in the list, in the order named; the first selector's usage error
// fails them all.
Result<PortTargets> resolve_port_targets(const std::vector<std::string>& selectors,
                                         const std::vector<ScannedPort>& listed,
                                         const PortIdentity& identity = system_port_identity,
                                         const PortExists& exists = system_port_exists);

}  // namespace quintrel::cli

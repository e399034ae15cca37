// What -p (or QUINTREL_PORT) names, resolved against the port list without opening anything: a
// port name or a whole line of `ports`, usb:VID:PID[:SERIAL], serial:TEXT, or a glob over the
// list's names, by-id links and advertised links (never over the file system, where it would
// find virtual consoles).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "ports/port_list.h"

namespace quintrel {

struct SelectedPorts {
  std::vector<std::string> ports;  // the names to open, each device once, in the list's order
  bool batch = false;              // a glob: a batch run, however many ports it matched
};

// What identifies the device a port name opens (port_identity in production); two names with the
// same identity are one device.
using PortIdentity = std::function<std::string(const std::string& port_name)>;

// Whether something of this name exists as it is written (port_name_exists in production).
using PortExists = std::function<bool(const std::string& port_name)>;

// More ports than this in one run is taken for a pattern that went wrong: a test bench has dozens,
// while a pattern over /dev/pts/* on a busy machine can match thousands.
inline constexpr std::size_t kMaxSelectedPorts = 256;

// Whether the selector needs the port list; a plain name or a `ports` line does not.
bool selector_uses_port_list(std::string_view selector);

// A plain name (the text before the first "(", or the whole selector when exists says a port of
// that name exists, such as a link "port(1)") is taken as it stands, listed or not. usb: and
// serial: must name exactly one device. A glob picks every entry whose name, by_id or link it
// matches; a fixed COM1..COM10 entry whose identity is another name (Linux: /dev/ttyS0) only
// when the scan found that device. A name of the list that merely contains * ? or [ is that port,
// not a glob. Fails with a usage error in words.
Result<SelectedPorts> select_ports(std::string_view selector, const std::vector<ScannedPort>& ports,
                                   const PortIdentity& identity = {},
                                   const PortExists& exists = {});

// The entries with each device once, for a listing: a fixed COM1..COM10 entry is left out where
// the scan found its device (/dev/ttyS0 for COM1 on Linux; COM1 itself on Windows), so that a
// port is named once, with its description. Selectors still take the fixed names.
std::vector<ScannedPort> listed_once(std::vector<ScannedPort> entries,
                                     const PortIdentity& identity);

}  // namespace quintrel

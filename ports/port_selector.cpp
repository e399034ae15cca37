#include "ports/port_selector.h"

#include <algorithm>
#include <set>

#include "base/ascii_text.h"
#include "base/outside_text.h"
#include "base/utf8_text.h"
#include "ports/port_glob.h"

namespace quintrel {

namespace {

constexpr std::string_view kUsbPrefix = "usb:";
constexpr std::string_view kSerialPrefix = "serial:";
constexpr std::string_view kGlobCharacters = "*?[";
// A usage error names this many of the ports a usb: or serial: selector matched: enough to tell
// them apart, few enough for one message.
constexpr std::size_t kNamedInMessageAtMost = 10;

bool is_control(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// The selector as a message may print it: control characters as \xNN, so a stray escape
// sequence cannot rewrite the terminal.
std::string shown(std::string_view text) {
  return "'" + escaped_controls(text) + "'";
}

// "a, b, c" with at most kNamedInMessageAtMost names, then how many more.
std::string named(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kNamedInMessageAtMost; ++i) {
    text += (i == 0 ? "" : ", ") + names[i];
  }
  if (names.size() > kNamedInMessageAtMost) {
    text += " and " + std::to_string(names.size() - kNamedInMessageAtMost) + " more";
  }
  return text;
}

bool is_hex4(std::string_view text) {
  return text.size() == 4 &&
         std::all_of(text.begin(), text.end(), [](char c) { return hex_digit_value(c) >= 0; });
}

// Windows keeps a USB serial number upper-cased in the device's instance id, where the scan reads
// it, so "abc123" from the device's label or a Linux scan would find nothing there; serial numbers
// are compared ignoring ASCII case on every platform.
bool same_serial(std::string_view listed, std::string_view wanted) {
  return equal_ignoring_ascii_case(listed, wanted);
}

// The ports a selector picked: each device once. A fixed entry only where the scan found its
// device (Linux: COM1 is /dev/ttyS0, there whether or not a UART is behind it), or, for one that
// is its device's own name (Windows), where the scan found no port at all: ports without a Plug
// and Play device, Wine's among them, are not scanned, while on a PC whose ports are, a glob
// would otherwise try every COM1..COM10 that nothing stands behind.
class Picked {
 public:
  Picked(const std::vector<ScannedPort>& ports, const PortIdentity& identity)
      : ports_(ports), identity_(identity) {}

  void add(const ScannedPort& port) {
    const std::string name = utf8_from_utf16(port.name);
    const std::string id = identity_of(name);
    if (port.kind == PortKind::kLegacy && !scanned_identities().contains(id) &&
        (id != name || !scanned_identities().empty())) {
      return;
    }
    if (seen_.insert(id).second) {
      names.push_back(name);
      entries.push_back(&port);
    }
  }

  std::vector<std::string> names;
  std::vector<const ScannedPort*> entries;

 private:
  std::string identity_of(const std::string& name) const {
    return identity_ ? identity_(name) : name;
  }

  const std::set<std::string>& scanned_identities() {
    if (!scanned_known_) {
      for (const ScannedPort& port : ports_) {
        if (port.kind != PortKind::kLegacy) {
          scanned_.insert(identity_of(utf8_from_utf16(port.name)));
        }
      }
      scanned_known_ = true;
    }
    return scanned_;
  }

  const std::vector<ScannedPort>& ports_;
  const PortIdentity& identity_;
  std::set<std::string> seen_;
  std::set<std::string> scanned_;
  bool scanned_known_ = false;
};

// usb: and serial: stand for one device: none or several is a usage error that says which.
Result<SelectedPorts> one_device(std::string_view selector, const Picked& picked) {
  if (picked.names.empty()) {
    return Failure{"no port matches " + shown(selector) +
                   " ('quintrel-cli ports --json' shows each port's vid, pid and serial)"};
  }
  if (picked.names.size() > 1) {
    std::vector<std::string> described;
    for (const ScannedPort* port : picked.entries) {
      described.push_back(utf8_from_utf16(port->name) +
                          (port->serial.empty() ? "" : " (serial " + port->serial + ")"));
    }
    return Failure{shown(selector) + " matches " + std::to_string(picked.names.size()) +
                   " ports: " + named(described) + "; name one of them"};
  }
  return SelectedPorts{picked.names, false};
}

Result<SelectedPorts> select_usb(std::string_view selector, const std::vector<ScannedPort>& ports,
                                 const PortIdentity& identity) {
  const std::string_view rest = selector.substr(kUsbPrefix.size());
  const std::size_t colon = rest.find(':');
  const std::string_view vid = rest.substr(0, colon);
  const std::string_view pid_and_serial =
      colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  const std::size_t second_colon = pid_and_serial.find(':');
  const std::string_view pid = pid_and_serial.substr(0, second_colon);
  const bool has_serial = second_colon != std::string_view::npos;
  const std::string_view serial = has_serial ? pid_and_serial.substr(second_colon + 1) : "";
  if (!is_hex4(vid) || !is_hex4(pid) || (has_serial && serial.empty())) {
    return Failure{shown(selector) +
                   " is not usb:VID:PID[:SERIAL] (VID and PID as 4 hexadecimal digits)"};
  }
  Picked picked(ports, identity);
  for (const ScannedPort& port : ports) {
    if (port.vid == ascii_lowered(vid) && port.pid == ascii_lowered(pid) &&
        (!has_serial || same_serial(port.serial, serial))) {
      picked.add(port);
    }
  }
  return one_device(selector, picked);
}

Result<SelectedPorts> select_serial(std::string_view selector,
                                    const std::vector<ScannedPort>& ports,
                                    const PortIdentity& identity) {
  const std::string_view serial = selector.substr(kSerialPrefix.size());
  if (serial.empty()) {
    return Failure{shown(selector) + " names no serial number"};
  }
  Picked picked(ports, identity);
  for (const ScannedPort& port : ports) {
    if (same_serial(port.serial, serial)) {
      picked.add(port);
    }
  }
  return one_device(selector, picked);
}

Result<SelectedPorts> select_glob(std::string_view pattern, const std::vector<ScannedPort>& ports,
                                  const PortIdentity& identity) {
  Picked picked(ports, identity);
  for (const ScannedPort& port : ports) {
    const auto matches = [pattern](const std::string& text) {
      return !text.empty() && glob_matches(pattern, text);
    };
    if (matches(utf8_from_utf16(port.name)) || matches(port.by_id) || matches(port.symlink)) {
      picked.add(port);
    }
  }
  if (picked.names.empty()) {
    return Failure{"no port matches " + shown(pattern) +
                   " (a pattern is matched against the names, by_id and link paths of "
                   "'quintrel-cli ports --json', not against the file system)"};
  }
  if (picked.names.size() > kMaxSelectedPorts) {
    return Failure{shown(pattern) + " matches " + std::to_string(picked.names.size()) +
                   " ports, more than " + std::to_string(kMaxSelectedPorts) +
                   " in one run; narrow the pattern"};
  }
  return SelectedPorts{picked.names, true};
}

std::string_view name_part(std::string_view selector) {
  return selector.substr(0, selector.find('('));
}

}  // namespace

std::vector<ScannedPort> listed_once(std::vector<ScannedPort> entries,
                                     const PortIdentity& identity) {
  const auto identity_of = [&identity](const ScannedPort& port) {
    const std::string name = utf8_from_utf16(port.name);
    return identity ? identity(name) : name;
  };
  std::set<std::string> scanned;
  for (const ScannedPort& port : entries) {
    if (port.kind != PortKind::kLegacy) {
      scanned.insert(identity_of(port));
    }
  }
  std::erase_if(entries, [&](const ScannedPort& port) {
    return port.kind == PortKind::kLegacy && scanned.contains(identity_of(port));
  });
  return entries;
}

bool selector_uses_port_list(std::string_view selector) {
  return selector.starts_with(kUsbPrefix) || selector.starts_with(kSerialPrefix) ||
         name_part(selector).find_first_of(kGlobCharacters) != std::string_view::npos;
}

Result<SelectedPorts> select_ports(std::string_view selector, const std::vector<ScannedPort>& ports,
                                   const PortIdentity& identity, const PortExists& exists) {
  for (const char c : selector) {
    if (is_control(c)) {
      return Failure{"the port " + shown(selector) +
                     " holds a control character, which no port name has"};
    }
  }
  if (selector.starts_with(kUsbPrefix)) {
    return select_usb(selector, ports, identity);
  }
  if (selector.starts_with(kSerialPrefix)) {
    return select_serial(selector, ports, identity);
  }
  const bool whole = exists && exists(std::string(selector));
  const std::string_view name = whole ? selector : name_part(selector);
  if (name.empty()) {
    return Failure{selector.empty() ? "the port name is empty"
                                    : "no port name before the \"(\" of " + shown(selector)};
  }
  bool listed = false;
  for (const ScannedPort& port : ports) {
    listed = listed || utf8_from_utf16(port.name) == name;
  }
  if (whole || listed || name.find_first_of(kGlobCharacters) == std::string_view::npos) {
    return SelectedPorts{{std::string(name)}, false};
  }
  return select_glob(name, ports, identity);
}

}  // namespace quintrel

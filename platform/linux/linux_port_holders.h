// Which programs have a port open, and which programs that take new USB serial adapters for
// themselves are running, as /proc shows them (its root a parameter, so that tests use a fake
// tree).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quintrel {

struct PortHolder {
  int pid = 0;
  std::string program;  // /proc/PID/comm
};

struct PortHolders {
  std::vector<PortHolder> seen;  // by process id
  // Some processes' open files could not be read: those of other users, unless we are root.
  bool unseen = false;
};

// The processes other than own_pid that have device open. device is compared with the targets
// of the /proc/PID/fd links, which name a device by its path with links resolved.
PortHolders find_port_holders(const std::filesystem::path& proc_root, const std::string& device,
                              int own_pid);

// "minicom (pid 4242), screen (pid 77)".
std::string holder_names(const std::vector<PortHolder>& holders);

// Programs that grab newly plugged USB serial adapters ("ModemManager" probes them for a modem,
// "brltty" claims some for braille displays) that run now, each named once, in that order.
std::vector<std::string> running_adapter_grabbers(const std::filesystem::path& proc_root);

}  // namespace quintrel

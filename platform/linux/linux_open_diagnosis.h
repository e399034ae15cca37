// Why a port on Linux could not be opened, and who else uses one that could, in words a user can
// act on: describe_open_error's reason made precise with what /proc and the port list show.
#pragma once

#include <filesystem>
#include <string>

#include "ports/port_list.h"

namespace quintrel {

// The reason for errno error from opening or locking path (a device path, links allowed). A busy
// port names the programs that hold it ("busy: held by minicom (pid 4242)"), or, when they are not
// visible to us, says so and how to find them (and that an exclusive flag may be a leftover). A
// USB port that is busy or missing names the running programs that grab new adapters and how to
// stop them. A missing port adds the ports the scanner finds (none without a scanner). A refused
// permission says which group may open the port.
std::string diagnose_open_failure(const std::string& path, int error,
                                  const std::filesystem::path& proc_root, PortScanner* scanner);

// Why the user may not open a device with this owner, group and permission bits: the 'dialout'
// group's advice only where the port belongs to that group, another group named as it is, and a
// port no group may open said so.
std::string permission_reason(const std::string& owner, const std::string& group,
                              unsigned int mode);

// For a path that opened: "PATH is also open in minicom (pid 4242): replies may be lost" when
// other programs are seen holding it (terminal programs that neither lock nor take a port
// exclusively let our open succeed beside them); empty otherwise. One walk through /proc.
std::string other_holders_warning(const std::string& path, const std::filesystem::path& proc_root);

}  // namespace quintrel

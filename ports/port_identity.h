// Which device a port name opens, so that two names of one device count once, and whether it
// names anything.
#pragma once

#include <string>
#include <string_view>

namespace quintrel {

// Linux: the device path with every symbolic link resolved (COM1 and /dev/ttyS0 give the same,
// as do an advertised link and its pty; the path as written when it does not resolve). Windows:
// the name in upper case. Reads links only; opens nothing.
std::string port_identity(std::u16string_view port_name);

// Whether the name as written names something (a link too, even one that leads nowhere): a
// command-line port "dir/port(1)" is then that name whole, not "dir/port" with a description.
// Linux: at the device path; Windows: never, as no Windows port name holds "(".
bool port_name_exists(std::u16string_view port_name);

}  // namespace quintrel

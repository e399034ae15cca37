// Which device a port name opens, so that two names of one device count once.
#pragma once

#include <string>
#include <string_view>

namespace quintrel {

// Linux: the device path with every symbolic link resolved (COM1 and /dev/ttyS0 give the same,
// as do an advertised link and its pty; the path as written when it does not resolve). Windows:
// the name in upper case. Reads links only; opens nothing.
std::string port_identity(std::u16string_view port_name);

}  // namespace quintrel

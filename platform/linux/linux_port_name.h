// How a port name from the port box becomes a device to open on Linux, where there is no "\\.\"
// device namespace.
#pragma once

#include <string>
#include <string_view>

namespace quintrel {

// A name starting with "/" is a device path already; "COM1".."COMn" are the legacy UARTs
// "/dev/ttyS0".."/dev/ttyS(n-1)" (so the fixed entries of the port box mean something here);
// any other name is taken under "/dev/" ("ttyUSB0" gives "/dev/ttyUSB0"). The name is neither
// trimmed nor validated: a name that names nothing fails when it is opened.
std::string linux_port_path(std::u16string_view port_name);

}  // namespace quintrel

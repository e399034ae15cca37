// Text that comes from outside the program (a process's name, a USB device's strings, a name the
// user typed) made safe to show: a terminal obeys the control characters in it, so an escape
// sequence there could retitle the window, move the cursor or hide what the message says.
#pragma once

#include <string>
#include <string_view>

namespace quintrel {

// The UTF-8 text with every control character written as \xNN (upper-case hex digits): C0
// controls, DEL and the C1 controls U+0080..U+009F (each byte of their UTF-8 form), and every
// byte that is not part of a well-formed UTF-8 sequence, which a terminal in an 8-bit mode may
// also take for a control. Everything else passes unchanged.
std::string escaped_controls(std::string_view text);

}  // namespace quintrel

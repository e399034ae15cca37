// Whether the program's standard output is a terminal that redraws lines: a console or terminal
// that takes ANSI cursor control. Not when output goes to a file or a pipe, nor on a terminal
// that says it cannot (TERM=dumb).
#pragma once

namespace quintrel::cli {

// Defined by the platform's terminal file. On Windows it also switches the console to take the
// control sequences.
bool output_takes_cursor_control();

// Whether standard input is a terminal (someone types it) rather than a file or a pipe.
bool input_is_terminal();

}  // namespace quintrel::cli

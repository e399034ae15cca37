// What a child that is past its deadline is held up in, for the result that reports it stopped.
#pragma once

#include <sys/types.h>

#include <string>

namespace quintrel::cli {

// From the system call the child sleeps in (/proc/PID/syscall: its number, or "running"): any
// call but the job's own waits means that a call into the port's driver (open, close, a write, a
// setting) has not returned. Empty when nothing says so.
std::string held_up_in(pid_t pid);

}  // namespace quintrel::cli

// Child processes of quintrel-cli itself: a run over many ports gives each port its own process,
// so that each keeps the core's one serial link and a port whose driver blocks holds up only its
// own process. The platform files (linux_child_process.cpp, win32_child_process.cpp) start, watch
// and stop them; everything above this seam is portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"

namespace quintrel::cli {

// At most this many children at once; a longer list waits for free places. A choice: each child
// costs a process, two pipes here and a port of its own, so the bound keeps a run over a long list
// well inside an ordinary user's limits on processes and descriptors, while every port of even a
// large adapter rack still runs side by side; it also stays within the 64 handles
// WaitForMultipleObjects waits on at once (win32_child_process.cpp checks that).
inline constexpr std::size_t kMaxRunningChildren = 32;

// How a child's run ended and what it wrote.
struct ChildEnd {
  enum class How {
    kExited,       // ended by itself with exit_code
    kCrashed,      // ended by a signal or an exception the system reported (detail says which)
    kStopped,      // stopped by the parent (its deadline passed); detail: what is not sure yet
    kLost,         // the system could not tell how it ended (detail: the call that failed)
    kNotStarted,   // the system could not start it (detail says why)
    kNotRun,       // not started: the run was asked to stop first
    kInterrupted,  // stopped by the parent when the run was asked to stop a second time
  };

  std::size_t job = 0;  // the number it was started with
  How how = How::kExited;
  int exit_code = -1;  // kExited only
  std::string detail;
  std::string out;  // everything it wrote to its standard output
  std::string err;  // and to its standard error
};

class ChildRunner {
 public:
  // Stops every child still running and waits for it a short while.
  virtual ~ChildRunner() = default;

  // How a start that the system did not refuse went.
  enum class Start {
    kStarted,
    kNoRoomYet,  // out of descriptors or processes while other children of this runner hold
                 // some: one of them ending may make room
  };

  // Starts this very program (the file the running process was started from, even when a newer
  // one has since replaced it) with the arguments (not counting the program name) under the
  // number job; its standard input is input, then end of file; its output is collected. A
  // Failure says why the system refuses it (a lack of room with no other child running is one).
  virtual Result<Start> start(std::size_t job, const std::vector<std::string>& args,
                              const std::string& input) = 0;

  // Waits at most max_wait_ms for a started child to end and returns it, or nullopt when none
  // ended in that time.
  virtual std::optional<ChildEnd> wait_for_end(std::uint32_t max_wait_ms) = 0;

  // Stops a running child at once; returns what it had written (how: kStopped), and in detail
  // what held it up when the system shows that (a call into the port's driver that did not return).
  virtual ChildEnd stop(std::size_t job) = 0;
};

// The platform's runner.
std::unique_ptr<ChildRunner> make_child_runner();

// This process's id, which a child is given to tie itself to with end_with_parent.
int this_process_id();

// Called in a child the runner started, with the id its parent gave it: the child is killed when
// that parent ends, also by SIGKILL, so that no child outlives a run that was killed. (Linux
// takes the thread that started the child for its parent: the runner is used from the main
// thread only.) False when parent_pid is not this process's parent (that parent has ended, or
// something else started it), which the child must not work on. On Windows the runner's
// kill-on-close job object does this, and this only says true.
bool end_with_parent(int parent_pid);

}  // namespace quintrel::cli

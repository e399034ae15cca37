// The child's side of a run on Linux: its parent's id, and its end with that parent.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "platform/child_process.h"

namespace quintrel::cli {

int this_process_id() {
  return static_cast<int>(getpid());
}

bool end_with_parent(int parent_pid) {
  // A parent that ended before the request took effect has left this child to another already.
  // Should the kernel refuse the request, the child works on untied, as it always could.
  return prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() == parent_pid;
}

}  // namespace quintrel::cli

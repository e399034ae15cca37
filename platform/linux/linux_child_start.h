// Starting a child on Linux: this program's own file, the three pipes a child gets and the
// posix_spawn that hands them over. Like posix_spawn, these calls give the system's error number
// (0 for none): it is what tells a lack of descriptors or processes, which another child's end
// may cure, from a refusal; the runner turns it into its Result.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quintrel::cli {

// The running program's file itself (close-on-exec, above the standard streams), or -1.
int open_program_file();
// The running program's path, for the children's argv[0] only; empty when unknown.
std::string program_path();

// Descriptors or processes run out while this process holds many children; each child that ends
// gives some back, so a start that failed so can be tried again.
bool is_lack_of_room(int error);

// One child on its way: first its three pipes (its input holding the request, its output and its
// error output), then its process. The child's ends are kept above the standard streams, which
// its dup2 replaces; all are close-on-exec, so no child inherits another child's pipe. Whatever
// is still open here is closed with this object.
class StartingChild {
 public:
  StartingChild() = default;
  ~StartingChild();
  StartingChild(const StartingChild&) = delete;
  StartingChild& operator=(const StartingChild&) = delete;

  // Makes the pipes, the input one holding input and then end of file. 0, or the error number
  // with nothing left open.
  int open_pipes(const std::string& input);
  // Why open_pipes failed, from its error number.
  static std::string pipe_failure(int error);

  // Starts file with argv (ending in nullptr) and the child's ends as its standard streams, in a
  // process group of its own, then closes the child's ends here. 0, or posix_spawn's error
  // number.
  int spawn(const std::string& file, const std::vector<char*>& argv);

  pid_t pid() const { return pid_; }
  // Hand the read ends of the output and error pipes, made non-blocking, to the caller, which
  // closes them.
  int take_out();
  int take_err();

 private:
  void close_child_ends();

  int in_read_ = -1;
  int out_[2] = {-1, -1};
  int err_[2] = {-1, -1};
  pid_t pid_ = -1;
};

}  // namespace quintrel::cli

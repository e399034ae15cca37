// Children on Linux: posix_spawn of the program's own file (held open since the runner was made)
// with its request on a pipe and two pipes for its output, poll on the pipes, waitpid without
// blocking, SIGKILL at the deadline.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <thread>
#include <utility>

#include "platform/child_process.h"

extern char** environ;

namespace quintrel::cli {

namespace {

// A child that has closed its output but is not yet reaped may be stuck closing a serial port
// (the kernel waits for the port's output to drain); it is looked at again this often.
constexpr int kReapPollMs = 5;
// How long the runner's end waits for the children it killed.
constexpr auto kFinalReapWait = std::chrono::seconds(2);
// The calls a port's job waits in while all is well: its reads wait in poll, its pauses sleep.
constexpr long kJobWaits[] = {
    SYS_ppoll,
    SYS_clock_nanosleep,
    SYS_nanosleep,
#ifdef SYS_poll
    SYS_poll,
#endif
};

struct Child {
  pid_t pid = -1;
  int out_fd = -1;
  int err_fd = -1;
  std::string out;
  std::string err;
};

std::string program_path() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// A descriptor a child's dup2 onto 0, 1 or 2 must not overwrite, moved to 3 or above (it lands
// below when the program was started with a standard stream closed). Close-on-exec either way.
int above_standard_streams(int fd) {
  if (fd < 0 || fd > STDERR_FILENO) {
    return fd;
  }
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  ::close(fd);
  return moved;
}

// The running program's file itself, not its name: a package upgrade during a run replaces the
// name with a new file, while every child still starts from the one this process runs. O_PATH
// suffices to execute it through /proc/self/fd, and close-on-exec keeps it out of the children
// (execve opens the file before it closes such descriptors).
int open_program_file() {
  return above_standard_streams(::open("/proc/self/exe", O_PATH | O_CLOEXEC));
}

// Descriptors or processes run out while this process holds many children; each child that ends
// gives some back, so a start that failed so can be tried again.
bool is_lack_of_room(int error) {
  return error == EMFILE || error == ENFILE || error == EAGAIN;
}

std::string pipe_failure(int error) {
  return std::string("pipe: ") + std::strerror(error);
}

// A pipe holding all of text, its write end closed: the reader gets text and then end of file.
// The request is far smaller than a pipe's buffer, so writing it never waits for the reader.
// 0, or the error number (failure says what failed).
int pipe_holding(const std::string& text, int& read_end, std::string& failure) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    const int error = errno;
    failure = pipe_failure(error);
    return error;
  }
  const ssize_t written = text.empty() ? 0 : ::write(ends[1], text.data(), text.size());
  ::close(ends[1]);
  if (written != static_cast<ssize_t>(text.size())) {
    failure = "the request does not fit a pipe";
    ::close(ends[0]);
    return EMSGSIZE;
  }
  // The child's standard input blocks as any file does.
  fcntl(ends[0], F_SETFL, 0);
  read_end = above_standard_streams(ends[0]);
  if (read_end < 0) {
    const int error = errno;
    failure = pipe_failure(error);
    return error;
  }
  return 0;
}

// A child's three pipes: its input (already holding the request), its output and its error
// output; the child's ends kept above the standard streams, which its dup2 replaces.
struct ChildPipes {
  int in_read = -1;
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
};

void close_child_pipes(ChildPipes& pipes) {
  for (const int fd : {pipes.in_read, pipes.out[0], pipes.out[1], pipes.err[0], pipes.err[1]}) {
    if (fd >= 0) {
      ::close(fd);
    }
  }
  pipes = ChildPipes{};
}

// 0, or the error number (failure says what failed), with nothing left open.
int open_child_pipes(const std::string& input, ChildPipes& pipes, std::string& failure) {
  if (const int error = pipe_holding(input, pipes.in_read, failure); error != 0) {
    return error;
  }
  if (pipe2(pipes.out, O_CLOEXEC) != 0 || pipe2(pipes.err, O_CLOEXEC) != 0 ||
      (pipes.out[1] = above_standard_streams(pipes.out[1])) < 0 ||
      (pipes.err[1] = above_standard_streams(pipes.err[1])) < 0) {
    const int error = errno;
    failure = pipe_failure(error);
    close_child_pipes(pipes);
    return error;
  }
  return 0;
}

// Starts file with argv and the pipes' child ends as its standard streams. 0, or posix_spawn's
// error number.
int spawn_child(const std::string& file, char* const* argv, const ChildPipes& pipes, pid_t& pid) {
  // The pipes are close-on-exec, so no child inherits another child's pipe (which would keep
  // it open after that child ended); dup2 makes the child's own ends inheritable.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipes.in_read, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipes.out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipes.err[1], STDERR_FILENO);
  // Its own process group, so that the Ctrl+C a terminal sends to the whole foreground group
  // reaches only this process, which decides what the children do; and the signals this process
  // may be ignoring (SIGPIPE during a run) back to their defaults.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) {
    sigaddset(&defaults, signal);
  }
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  const int spawned = posix_spawn(&pid, file.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return spawned;
}

// Reads what is there; closes the descriptor at end of file or on an error.
void drain(int& fd, std::string& into) {
  char buffer[4096];
  while (fd >= 0) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      into.append(buffer, static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
        ::close(fd);
        fd = -1;
      }
      return;
    }
  }
}

ChildRunner::Start refusal(int error) {
  return is_lack_of_room(error) ? ChildRunner::Start::kNoRoomYet : ChildRunner::Start::kRefused;
}

// What a child that is past its deadline is held up in, from the system call it sleeps in
// (/proc/PID/syscall: its number, or "running"): any call but the job's own waits means that a
// call into the port's driver (open, close, a write, a setting) has not returned. Empty when
// nothing says so.
std::string held_up_in(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
  long call = -1;
  if (!(file >> call) || call < 0 || std::ranges::find(kJobWaits, call) != std::end(kJobWaits)) {
    return {};
  }
  const std::pair<long, const char*> names[] = {{SYS_openat, "open"}, {SYS_close, "close"},
                                                {SYS_write, "write"}, {SYS_read, "read"},
                                                {SYS_ioctl, "ioctl"}, {SYS_flock, "flock"}};
  std::string name = "system call " + std::to_string(call);
  for (const auto& [number, known] : names) {
    if (call == number) {
      name = known;
    }
  }
  return "the port's driver did not return from " + name + ": check the adapter and its driver";
}

void close_pipes(Child& child) {
  for (int* fd : {&child.out_fd, &child.err_fd}) {
    if (*fd >= 0) {
      ::close(*fd);
      *fd = -1;
    }
  }
}

class LinuxChildRunner final : public ChildRunner {
 public:
  LinuxChildRunner() : program_(program_path()), program_fd_(open_program_file()) {}
  ~LinuxChildRunner() override;
  LinuxChildRunner(const LinuxChildRunner&) = delete;
  LinuxChildRunner& operator=(const LinuxChildRunner&) = delete;

  Start start(std::size_t job, const std::vector<std::string>& args, const std::string& input,
              std::string& failure) override;
  std::optional<ChildEnd> wait_for_end(std::uint32_t max_wait_ms) override;
  ChildEnd stop(std::size_t job) override;

 private:
  // The child's end when waitpid has it; nullopt while it runs.
  std::optional<ChildEnd> reap(std::size_t job, Child& child);
  // Reaps the killed children that have died since.
  void reap_killed();

  std::string program_;  // for the children's argv[0] only
  int program_fd_;
  std::map<std::size_t, Child> running_;
  std::vector<pid_t> killed_unreaped_;
};

LinuxChildRunner::~LinuxChildRunner() {
  if (program_fd_ >= 0) {
    ::close(program_fd_);
  }
  for (auto& [job, child] : running_) {
    ::kill(child.pid, SIGKILL);
    close_pipes(child);
    killed_unreaped_.push_back(child.pid);
  }
  // A child blocked inside a driver dies only when the driver lets go; it is not waited for
  // beyond this (once this process ends, the system reaps it).
  const auto until = std::chrono::steady_clock::now() + kFinalReapWait;
  for (reap_killed(); !killed_unreaped_.empty() && std::chrono::steady_clock::now() < until;
       reap_killed()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kReapPollMs));
  }
}

void LinuxChildRunner::reap_killed() {
  std::erase_if(killed_unreaped_, [](pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) != 0;
  });
}

ChildRunner::Start LinuxChildRunner::start(std::size_t job, const std::vector<std::string>& args,
                                           const std::string& input, std::string& failure) {
  if (program_fd_ < 0) {
    failure = "cannot open this program's own file (/proc/self/exe)";
    return Start::kRefused;
  }
  ChildPipes pipes;
  if (const int error = open_child_pipes(input, pipes, failure); error != 0) {
    return refusal(error);
  }
  std::vector<char*> argv;
  argv.push_back(program_.data());
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned =
      spawn_child("/proc/self/fd/" + std::to_string(program_fd_), argv.data(), pipes, pid);
  // The child's ends are the child's alone now.
  for (const int fd : {pipes.in_read, pipes.out[1], pipes.err[1]}) {
    ::close(fd);
  }
  if (spawned != 0) {
    failure = program_ + ": " + std::strerror(spawned);
    ::close(pipes.out[0]);
    ::close(pipes.err[0]);
    return refusal(spawned);
  }
  fcntl(pipes.out[0], F_SETFL, O_NONBLOCK);
  fcntl(pipes.err[0], F_SETFL, O_NONBLOCK);
  running_[job] = Child{pid, pipes.out[0], pipes.err[0], {}, {}};
  return Start::kStarted;
}

std::optional<ChildEnd> LinuxChildRunner::reap(std::size_t job, Child& child) {
  int status = 0;
  if (waitpid(child.pid, &status, WNOHANG) != child.pid) {
    return std::nullopt;
  }
  // Whatever it wrote last is still in the pipes.
  drain(child.out_fd, child.out);
  drain(child.err_fd, child.err);
  close_pipes(child);
  ChildEnd end;
  end.job = job;
  if (WIFEXITED(status)) {
    end.exit_code = WEXITSTATUS(status);
  } else {
    end.how = ChildEnd::How::kCrashed;
    end.detail =
        "signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
  }
  end.out = std::move(child.out);
  end.err = std::move(child.err);
  return end;
}

std::optional<ChildEnd> LinuxChildRunner::wait_for_end(std::uint32_t max_wait_ms) {
  reap_killed();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(max_wait_ms);
  for (;;) {
    std::vector<pollfd> fds;
    bool output_closed = false;
    for (auto it = running_.begin(); it != running_.end(); ++it) {
      Child& child = it->second;
      if (child.out_fd < 0 && child.err_fd < 0) {
        if (std::optional<ChildEnd> end = reap(it->first, child)) {
          running_.erase(it);
          return end;
        }
        output_closed = true;
      }
      for (const int fd : {child.out_fd, child.err_fd}) {
        if (fd >= 0) {
          fds.push_back({fd, POLLIN, 0});
        }
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          until - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      return std::nullopt;
    }
    const int timeout =
        output_closed ? std::min<int>(kReapPollMs, static_cast<int>(left)) : static_cast<int>(left);
    const int ready = poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno == EINTR) {
      return std::nullopt;  // a stop request: the run decides at once
    }
    if (ready > 0) {
      for (auto& [job, child] : running_) {
        drain(child.out_fd, child.out);
        drain(child.err_fd, child.err);
      }
    }
  }
}

ChildEnd LinuxChildRunner::stop(std::size_t job) {
  ChildEnd end;
  end.job = job;
  end.how = ChildEnd::How::kStopped;
  const auto it = running_.find(job);
  if (it == running_.end()) {
    return end;
  }
  Child& child = it->second;
  end.detail = held_up_in(child.pid);
  ::kill(child.pid, SIGKILL);
  drain(child.out_fd, child.out);
  drain(child.err_fd, child.err);
  close_pipes(child);
  killed_unreaped_.push_back(child.pid);
  reap_killed();
  end.out = std::move(child.out);
  end.err = std::move(child.err);
  running_.erase(it);
  return end;
}

}  // namespace

std::unique_ptr<ChildRunner> make_child_runner() {
  return std::make_unique<LinuxChildRunner>();
}

int this_process_id() {
  return static_cast<int>(getpid());
}

bool end_with_parent(int parent_pid) {
  // A parent that ended before the request took effect has left this child to another already.
  // Should the kernel refuse the request, the child works on untied, as it always could.
  return prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() == parent_pid;
}

}  // namespace quintrel::cli

// Children on Linux: posix_spawn of the program's own file (held open since the runner was made)
// with its request on a pipe and two pipes for its output (linux_child_start), poll on the
// pipes, waitpid without blocking, SIGKILL at the deadline.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <utility>

#include "platform/child_process.h"
#include "platform/linux/linux_child_held_up.h"
#include "platform/linux/linux_child_start.h"

namespace quintrel::cli {

namespace {

// A child that has closed its output but is not yet reaped may be stuck closing a serial port
// (the kernel waits for the port's output to drain); it is looked at again this often.
constexpr int kReapPollMs = 5;
// How long the runner's end waits for the children it killed.
constexpr auto kFinalReapWait = std::chrono::seconds(2);

struct Child {
  pid_t pid = -1;
  int out_fd = -1;
  int err_fd = -1;
  std::string out;
  std::string err;
};

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

  Result<Start> start(std::size_t job, const std::vector<std::string>& args,
                      const std::string& input) override;
  std::optional<ChildEnd> wait_for_end(std::uint32_t max_wait_ms) override;
  ChildEnd stop(std::size_t job) override;

 private:
  // A start the system refused with error: room may come when another child ends.
  Result<Start> refusal(int error, std::string failure) const;
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

Result<ChildRunner::Start> LinuxChildRunner::start(std::size_t job,
                                                   const std::vector<std::string>& args,
                                                   const std::string& input) {
  if (program_fd_ < 0) {
    return Failure{"cannot open this program's own file (/proc/self/exe)"};
  }
  StartingChild starting;
  if (const int error = starting.open_pipes(input); error != 0) {
    return refusal(error, StartingChild::pipe_failure(error));
  }
  std::vector<char*> argv;
  argv.push_back(program_.data());
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  if (const int error = starting.spawn("/proc/self/fd/" + std::to_string(program_fd_), argv);
      error != 0) {
    return refusal(error, program_ + ": " + std::strerror(error));
  }
  running_[job] = Child{starting.pid(), starting.take_out(), starting.take_err(), {}, {}};
  return Start::kStarted;
}

Result<ChildRunner::Start> LinuxChildRunner::refusal(int error, std::string failure) const {
  if (is_lack_of_room(error) && !running_.empty()) {
    return Start::kNoRoomYet;
  }
  return Failure{std::move(failure)};
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

}  // namespace quintrel::cli

#include "platform/linux/linux_child_start.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace quintrel::cli {

namespace {

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

void close_fd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

// A pipe holding all of text, its write end closed: the reader gets text and then end of file.
// The request is far smaller than a pipe's buffer, so writing it never waits for the reader.
// 0, or the error number (EMSGSIZE: text does not fit).
int pipe_holding(const std::string& text, int& read_end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    return errno;
  }
  const ssize_t written = text.empty() ? 0 : ::write(ends[1], text.data(), text.size());
  ::close(ends[1]);
  // The child's standard input blocks as any file does.
  if (written != static_cast<ssize_t>(text.size()) || fcntl(ends[0], F_SETFL, 0) != 0) {
    const int error = written != static_cast<ssize_t>(text.size()) ? EMSGSIZE : errno;
    ::close(ends[0]);
    return error;
  }
  read_end = above_standard_streams(ends[0]);
  return read_end < 0 ? errno : 0;
}

// The file actions and attributes of a child's spawn: its pipes' ends onto its standard streams,
// its own process group, and the signals this process may be ignoring back to their defaults.
class SpawnSettings {
 public:
  SpawnSettings() {
    actions_made_ = posix_spawn_file_actions_init(&actions_) == 0;
    attributes_made_ = posix_spawnattr_init(&attributes_) == 0;
  }
  ~SpawnSettings() {
    if (attributes_made_) {
      posix_spawnattr_destroy(&attributes_);
    }
    if (actions_made_) {
      posix_spawn_file_actions_destroy(&actions_);
    }
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  // 0, or the error number of the first setting refused.
  int set(int in, int out, int err) {
    if (!actions_made_ || !attributes_made_) {
      return ENOMEM;
    }
    // Its own process group, so that the Ctrl+C a terminal sends to the whole foreground group
    // reaches only this process, which decides what the children do; and the signals this
    // process may be ignoring (SIGPIPE during a run) back to their defaults.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGPIPE}) {
      sigaddset(&defaults, signal);
    }
    for (const int error :
         {posix_spawn_file_actions_adddup2(&actions_, in, STDIN_FILENO),
          posix_spawn_file_actions_adddup2(&actions_, out, STDOUT_FILENO),
          posix_spawn_file_actions_adddup2(&actions_, err, STDERR_FILENO),
          posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF),
          posix_spawnattr_setpgroup(&attributes_, 0),
          posix_spawnattr_setsigdefault(&attributes_, &defaults)}) {
      if (error != 0) {
        return error;
      }
    }
    return 0;
  }

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
  bool actions_made_ = false;
  bool attributes_made_ = false;
};

}  // namespace

// The running program's file itself, not its name: a package upgrade during a run replaces the
// name with a new file, while every child still starts from the one this process runs. O_PATH
// suffices to execute it through /proc/self/fd, and close-on-exec keeps it out of the children
// (execve opens the file before it closes such descriptors).
int open_program_file() {
  return above_standard_streams(::open("/proc/self/exe", O_PATH | O_CLOEXEC));
}

std::string program_path() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

bool is_lack_of_room(int error) {
  return error == EMFILE || error == ENFILE || error == EAGAIN;
}

StartingChild::~StartingChild() {
  close_child_ends();
  close_fd(out_[0]);
  close_fd(err_[0]);
}

int StartingChild::open_pipes(const std::string& input) {
  if (const int error = pipe_holding(input, in_read_); error != 0) {
    return error;
  }
  // The read ends stay here and are drained without waiting.
  if (pipe2(out_, O_CLOEXEC) != 0 || pipe2(err_, O_CLOEXEC) != 0 ||
      (out_[1] = above_standard_streams(out_[1])) < 0 ||
      (err_[1] = above_standard_streams(err_[1])) < 0 || fcntl(out_[0], F_SETFL, O_NONBLOCK) != 0 ||
      fcntl(err_[0], F_SETFL, O_NONBLOCK) != 0) {
    const int error = errno;
    close_child_ends();
    close_fd(out_[0]);
    close_fd(err_[0]);
    return error;
  }
  return 0;
}

std::string StartingChild::pipe_failure(int error) {
  return error == EMSGSIZE ? "the request does not fit a pipe"
                           : std::string("pipe: ") + std::strerror(error);
}

int StartingChild::spawn(const std::string& file, const std::vector<char*>& argv) {
  // dup2 makes the child's own ends inheritable; every other pipe stays close-on-exec.
  SpawnSettings settings;
  int error = settings.set(in_read_, out_[1], err_[1]);
  if (error == 0) {
    error = posix_spawn(&pid_, file.c_str(), settings.actions(), settings.attributes(), argv.data(),
                        environ);
  }
  // The child's ends are the child's alone now.
  close_child_ends();
  return error;
}

int StartingChild::take_out() {
  const int fd = out_[0];
  out_[0] = -1;
  return fd;
}

int StartingChild::take_err() {
  const int fd = err_[0];
  err_[0] = -1;
  return fd;
}

void StartingChild::close_child_ends() {
  close_fd(in_read_);
  close_fd(out_[1]);
  close_fd(err_[1]);
}

}  // namespace quintrel::cli

#include "platform/linux/linux_pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/linux/linux_advertised_ports.h"

namespace quintrel::sim {

namespace {

// "/dev/pts/N", as ptsname() names the terminal side.
bool is_pty_path(const std::string& target) {
  constexpr std::string_view kPtsDir = "/dev/pts/";
  return target.size() > kPtsDir.size() && target.starts_with(kPtsDir) &&
         target.find_first_not_of("0123456789", kPtsDir.size()) == std::string::npos;
}

// A sticky directory of root's or the user's, such as /tmp: others may add names there, but
// cannot remove or rename this user's link (and a name they took is refused by may_take_symlink).
bool is_shared_sticky(const std::string& directory) {
  struct stat info {};
  return ::lstat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         (info.st_mode & S_ISVTX) != 0 && (info.st_uid == 0 || info.st_uid == ::geteuid());
}

// Why no link may be made at path: its directory is one that someone else could rewrite (and so
// swap the link for one to their own device). Empty when it may.
std::string symlink_place_error(const std::string& path) {
  const std::filesystem::path place(path);
  const std::string directory = place.has_parent_path() ? place.parent_path().string() : ".";
  const std::string reason = untrusted_directory_reason(directory);
  if (reason.empty() || is_shared_sticky(directory)) {
    return {};
  }
  return path + ": the directory " + directory + " is " + reason +
         "; a link goes only in a directory of your own that no one else may write (mkdir -m 700 "
         "DIR), or in a sticky one such as /tmp; name one with --link";
}

// A pty that still exists is served: its node goes when its master is closed. The user's own
// is most likely another simulator's; another user's took the number of a pty that is gone.
std::string live_pty_error(const std::string& path, const std::string& pty) {
  struct stat info {};
  if (::stat(pty.c_str(), &info) != 0 || !S_ISCHR(info.st_mode) || info.st_uid != ::geteuid()) {
    return {};
  }
  return path + ": leads to " + pty +
         ", a pty in use (another quintrel-sim may serve it); stop that program or choose another "
         "--link (remove the link when nothing serves " +
         pty + ")";
}

}  // namespace

void close_pty(Pty& pty) {
  if (pty.terminal >= 0) {
    ::close(pty.terminal);
  }
  if (pty.master >= 0) {
    ::close(pty.master);
  }
  pty = Pty{};
}

namespace {

// The pty's path and the system's reason; the pty is closed, so nothing half-made is kept.
Failure pty_failure(Pty& pty) {
  Failure failure{pty.path + ": " + std::strerror(errno)};
  close_pty(pty);
  return failure;
}

}  // namespace

Result<void> open_pty(Pty& pty) {
  pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  const char* name = nullptr;
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 ||
      (name = ptsname(pty.master)) == nullptr) {
    const std::string reason = std::strerror(errno);
    close_pty(pty);
    return Failure{"cannot create a pseudo-terminal: " + reason};
  }
  pty.path = name;
  pty.terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  if (pty.terminal < 0 || tcgetattr(pty.terminal, &raw) != 0) {
    return pty_failure(pty);
  }
  // Raw from the start: bytes sent while no host holds the port must not be echoed back.
  cfmakeraw(&raw);
  cfsetispeed(&raw, B38400);
  cfsetospeed(&raw, B38400);
  if (tcsetattr(pty.terminal, TCSANOW, &raw) != 0) {
    return pty_failure(pty);
  }
  return {};
}

Result<void> may_take_symlink(const std::string& path) {
  if (std::string error = symlink_place_error(path); !error.empty()) {
    return Failure{error};
  }
  std::error_code status_error;
  const auto type = std::filesystem::symlink_status(path, status_error).type();
  if (type == std::filesystem::file_type::not_found) {
    return {};
  }
  struct stat symlink_info {};
  if (::lstat(path.c_str(), &symlink_info) == 0 && symlink_info.st_uid != ::geteuid()) {
    return Failure{path + ": already exists and belongs to another user (uid " +
                   std::to_string(symlink_info.st_uid) + "); choose another --link"};
  }
  std::error_code read_error;
  const std::string target = std::filesystem::read_symlink(path, read_error).string();
  if (type == std::filesystem::file_type::symlink && is_pty_path(target) && !read_error) {
    if (std::string error = live_pty_error(path, target); !error.empty()) {
      return Failure{error};
    }
    return {};
  }
  return Failure{path + ": " +
                 (status_error ? status_error.message()
                               : "already exists and is not a link to a pty (/dev/pts/N); it is "
                                 "left as it is")};
}

Result<void> point_symlink(const std::string& symlink_path, const std::string& target) {
  if (std::string error = symlink_place_error(symlink_path); !error.empty()) {
    return Failure{error};
  }
  // Where the name is free, symlink() takes it in one step and can never replace anything.
  if (::symlink(target.c_str(), symlink_path.c_str()) == 0) {
    return {};
  }
  if (errno != EEXIST) {
    return Failure{symlink_path + ": " + std::strerror(errno)};
  }
  std::error_code read_error;
  struct stat symlink_info {};
  if (::lstat(symlink_path.c_str(), &symlink_info) == 0 && symlink_info.st_uid == ::geteuid() &&
      std::filesystem::read_symlink(symlink_path, read_error) == target) {
    return {};  // a re-made pty that got the number of the one it replaces
  }
  if (Result<void> taken = may_take_symlink(symlink_path); !taken) {
    return taken;
  }
  // Made beside the link and renamed over it; a name of its own, so that nothing is removed to
  // make room for it.
  const std::string temporary = symlink_path + ".quintrel-sim-" + std::to_string(::getpid());
  if (::symlink(target.c_str(), temporary.c_str()) != 0) {
    return Failure{temporary + ": " + std::strerror(errno)};
  }
  if (::rename(temporary.c_str(), symlink_path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temporary.c_str());
    return Failure{symlink_path + ": " + reason};
  }
  return {};
}

void remove_symlink_to(const std::string& symlink_path, const std::string& target) {
  std::error_code error;
  if (std::filesystem::read_symlink(symlink_path, error) == target) {
    ::unlink(symlink_path.c_str());
  }
}

Result<std::size_t> read_from_pty(const Pty& pty, std::span<std::uint8_t> buffer) {
  const ssize_t count = ::read(pty.master, buffer.data(), buffer.size());
  if (count > 0) {
    return static_cast<std::size_t>(count);
  }
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
    return std::size_t{0};
  }
  return Failure{count == 0 ? "end of input" : std::strerror(errno)};
}

Result<void> write_to_pty(const Pty& pty, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(pty.master, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return Failure{std::strerror(errno)};
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return {};
}

}  // namespace quintrel::sim

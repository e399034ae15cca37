#include "platform/linux/linux_pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace quintrel::sim {

void close_pty(Pty& pty) {
  if (pty.terminal >= 0) {
    ::close(pty.terminal);
  }
  if (pty.master >= 0) {
    ::close(pty.master);
  }
  pty = Pty{};
}

bool open_pty(Pty& pty, std::string& error) {
  pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  const char* name = nullptr;
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 ||
      (name = ptsname(pty.master)) == nullptr) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    close_pty(pty);
    return false;
  }
  pty.path = name;
  pty.terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  if (pty.terminal < 0 || tcgetattr(pty.terminal, &raw) != 0) {
    error = pty.path + ": " + std::strerror(errno);
    close_pty(pty);
    return false;
  }
  // Raw from the start: bytes sent while no host holds the port must not be echoed back.
  cfmakeraw(&raw);
  cfsetispeed(&raw, B38400);
  cfsetospeed(&raw, B38400);
  tcsetattr(pty.terminal, TCSANOW, &raw);
  return true;
}

bool point_link(const std::string& link, const std::string& target, std::string& error) {
  const std::string temporary = link + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
    error = link + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void remove_link_to(const std::string& link, const std::string& target) {
  std::error_code error;
  if (std::filesystem::read_symlink(link, error) == target) {
    ::unlink(link.c_str());
  }
}

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace quintrel::sim

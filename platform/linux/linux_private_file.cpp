#include "platform/linux/linux_private_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quintrel {

namespace {

// A new file beside file, open for writing, its name in temporary; -1 with errno set.
int make_temporary(const std::filesystem::path& file, std::string& temporary) {
  temporary = file.string() + ".XXXXXX";
  return ::mkostemp(temporary.data(), O_CLOEXEC);
}

bool write_text(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

Result<void> replace_file(const std::filesystem::path& file, std::string_view text) {
  std::string temporary;
  const int fd = make_temporary(file, temporary);
  if (fd < 0) {
    return Failure{file.string() + ": no file can be made beside it: " + std::strerror(errno)};
  }
  bool written = write_text(fd, text);
  int cause = errno;
  // A full disk may show only when the file is closed.
  if (::close(fd) != 0 && written) {
    written = false;
    cause = errno;
  }
  if (written && ::rename(temporary.c_str(), file.c_str()) == 0) {
    return {};
  }
  cause = written ? errno : cause;
  ::unlink(temporary.c_str());
  return Failure{file.string() + ": cannot be " + (written ? "replaced: " : "written: ") +
                 std::strerror(cause)};
}

std::string unwritable_place_reason(const std::filesystem::path& file) {
  std::string temporary;
  const int fd = make_temporary(file, temporary);
  if (fd < 0) {
    return std::strerror(errno);
  }
  ::close(fd);
  ::unlink(temporary.c_str());
  return {};
}

}  // namespace quintrel

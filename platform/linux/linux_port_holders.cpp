#include "platform/linux/linux_port_holders.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "base/outside_text.h"

namespace quintrel {

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 2> kAdapterGrabbers = {"ModemManager", "brltty"};

// A number written in decimal without sign or leading zeros, of at most 9 digits; -1 otherwise.
int decimal(std::string_view text) {
  if (text.empty() || text.size() > 9 || (text.size() > 1 && text.front() == '0')) {
    return -1;
  }
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return -1;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

// The process's name as a message may print it: anyone may name a program, with an escape
// sequence too, so its control characters (a newline within it as well) are escaped.
std::string program_name(const std::string& process) {
  std::ifstream in(process + "/comm");
  std::string name(std::istreambuf_iterator<char>(in), {});
  if (name.ends_with('\n')) {
    name.pop_back();
  }
  return escaped_controls(name);
}

// "/dev/pts/3" -> 3; -1 for any other device.
int pty_index(const std::string& device) {
  constexpr std::string_view kPtys = "/dev/pts/";
  return device.starts_with(kPtys) ? decimal(std::string_view(device).substr(kPtys.size())) : -1;
}

// The pty index whose master side the descriptor fd of process (which links to target) is; -1
// when it is no pty master.
int master_index(const std::string& process, const char* fd, std::string_view target) {
  if (target != "/dev/ptmx" && target != "/dev/pts/ptmx") {
    return -1;
  }
  std::ifstream info(process + "/fdinfo/" + fd);
  constexpr std::string_view kIndexField = "tty-index:\t";
  for (std::string line; std::getline(info, line);) {
    if (line.starts_with(kIndexField)) {
      return decimal(std::string_view(line).substr(kIndexField.size()));
    }
  }
  return -1;
}

// A directory read entry by entry with readdir: /proc holds thousands of descriptor links, and
// each costs a system call or two this way rather than several through std::filesystem.
class Directory {
 public:
  explicit Directory(const std::string& path) : dir_(::opendir(path.c_str())) {}
  ~Directory() {
    if (dir_ != nullptr) {
      ::closedir(dir_);
    }
  }
  Directory(const Directory&) = delete;
  Directory& operator=(const Directory&) = delete;

  // False when the directory could not be opened; errno tells why.
  bool is_open() const { return dir_ != nullptr; }
  int fd() const { return ::dirfd(dir_); }

  // The next entry's name other than "." and ".."; null at the end.
  const char* next() {
    while (const dirent* entry = ::readdir(dir_)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        return entry->d_name;
      }
    }
    return nullptr;
  }

 private:
  DIR* dir_;
};

// Calls visit(pid, "<proc_root>/<pid>") for each process; entries such as "self" are no process.
template <typename Visit>
void for_each_process(const fs::path& proc_root, Visit visit) {
  Directory proc(proc_root.string());
  if (!proc.is_open()) {
    return;
  }
  while (const char* name = proc.next()) {
    if (const int pid = decimal(name); pid > 0) {
      visit(pid, proc_root.string() + "/" + name);
    }
  }
}

}  // namespace

PortHolders find_port_holders(const fs::path& proc_root, const std::string& device, int own_pid) {
  PortHolders found;
  const int index = pty_index(device);
  for_each_process(proc_root, [&](int pid, const std::string& process) {
    if (pid == own_pid) {
      return;
    }
    Directory fds(process + "/fd");
    if (!fds.is_open()) {
      // A process that ended meanwhile has no entry any more; any other failure hides its files.
      found.unseen = found.unseen || errno != ENOENT;
      return;
    }
    bool holds = false;
    // The process on a pseudo-terminal's master side is the device at the line's far end (as
    // quintrel-sim, which holds the terminal side as well), not another user of the port.
    bool far_end = false;
    while (const char* fd = fds.next()) {
      char target[PATH_MAX];
      const ssize_t length = ::readlinkat(fds.fd(), fd, target, sizeof target);
      if (length < 0) {
        if (errno == EACCES) {
          // One refused link means they all are: the process is another user's.
          found.unseen = true;
          break;
        }
        continue;
      }
      const std::string_view link(target, static_cast<std::size_t>(length));
      holds = holds || link == device;
      if (index < 0) {
        // No pty: there is no far end to tell apart, so neither fdinfo nor the rest is read.
        if (holds) {
          break;
        }
        continue;
      }
      const int master = master_index(process, fd, link);
      far_end = far_end || (master >= 0 && master == index);
    }
    if (holds && !far_end) {
      found.seen.push_back({pid, program_name(process)});
    }
  });
  std::sort(found.seen.begin(), found.seen.end(),
            [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
  return found;
}

std::string holder_names(const std::vector<PortHolder>& holders) {
  std::string names;
  for (const PortHolder& holder : holders) {
    names +=
        (names.empty() ? "" : ", ") + holder.program + " (pid " + std::to_string(holder.pid) + ")";
  }
  return names;
}

std::vector<std::string> running_adapter_grabbers(const fs::path& proc_root) {
  std::array<bool, kAdapterGrabbers.size()> running{};
  for_each_process(proc_root, [&](int, const std::string& process) {
    const std::string name = program_name(process);
    for (std::size_t at = 0; at < kAdapterGrabbers.size(); ++at) {
      running[at] = running[at] || name == kAdapterGrabbers[at];
    }
  });
  std::vector<std::string> names;
  for (std::size_t at = 0; at < kAdapterGrabbers.size(); ++at) {
    if (running[at]) {
      names.emplace_back(kAdapterGrabbers[at]);
    }
  }
  return names;
}

}  // namespace quintrel

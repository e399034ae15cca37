#include "link/linux_port_holders.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string_view>
#include <system_error>

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

std::string program_name(const fs::path& process) {
  std::ifstream in(process / "comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// "/dev/pts/3" -> 3; -1 for any other device.
int pty_index(const std::string& device) {
  constexpr std::string_view kPtys = "/dev/pts/";
  return device.starts_with(kPtys) ? decimal(std::string_view(device).substr(kPtys.size())) : -1;
}

// Whether the descriptor fd of process, which links to target, is the master side of pty index.
bool is_master_of(const fs::path& process, const fs::path& fd, const fs::path& target, int index) {
  if (target != "/dev/ptmx" && target != "/dev/pts/ptmx") {
    return false;
  }
  std::ifstream info(process / "fdinfo" / fd.filename());
  const std::string wanted = "tty-index:\t" + std::to_string(index);
  for (std::string line; std::getline(info, line);) {
    if (line == wanted) {
      return true;
    }
  }
  return false;
}

template <typename Visit>
void for_each_process(const fs::path& proc_root, Visit visit) {
  std::error_code error;
  for (fs::directory_iterator it(proc_root, error), end; !error && it != end; it.increment(error)) {
    // Entries that are no process ("self", "net") are skipped.
    if (const int pid = decimal(it->path().filename().string()); pid > 0) {
      visit(pid, it->path());
    }
  }
}

}  // namespace

PortHolders find_port_holders(const fs::path& proc_root, const std::string& device, int own_pid) {
  PortHolders holders;
  const int index = pty_index(device);
  for_each_process(proc_root, [&](int pid, const fs::path& process) {
    if (pid == own_pid) {
      return;
    }
    std::error_code error;
    fs::directory_iterator fd(process / "fd", error);
    if (error) {
      // A process that ended meanwhile has no entry any more; any other failure hides its files.
      holders.unseen |= error != std::errc::no_such_file_or_directory;
      return;
    }
    bool holds = false;
    // The process on a pseudo-terminal's master side is the device at the line's far end (as
    // quintrel-sim, which holds the terminal side as well), not another user of the port.
    bool far_end = false;
    for (const fs::directory_iterator end; fd != end; fd.increment(error)) {
      std::error_code link_error;
      const fs::path target = fs::read_symlink(fd->path(), link_error);
      if (link_error) {
        continue;
      }
      holds = holds || target == device;
      far_end = far_end || (index >= 0 && is_master_of(process, fd->path(), target, index));
    }
    if (holds && !far_end) {
      holders.seen.push_back({pid, program_name(process)});
    }
  });
  std::sort(holders.seen.begin(), holders.seen.end(),
            [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
  return holders;
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
  for_each_process(proc_root, [&](int, const fs::path& process) {
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

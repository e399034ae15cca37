#include "platform/linux/linux_advertised_ports.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

namespace quintrel {

namespace fs = std::filesystem;

namespace {

fs::path default_directory() {
  return fs::path("/tmp") / ("quintrel-ports-" + std::to_string(::geteuid()));
}

// A simulator's pty belongs to the user who started it. A link left by one that was killed may
// lead to the same /dev/pts/N reused by another user's program, which must not be listed as
// ours.
bool is_own_character_device(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_uid == ::geteuid();
}

std::u16string widened(const std::string& path) {
  // Device paths are ASCII ("/dev/pts/3"); anything else is no port this program can name.
  std::u16string wide;
  for (const char c : path) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return wide;
}

bool is_ascii(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

fs::path advertised_ports_directory() {
  if (const char* chosen = std::getenv(kPortsDirectoryVariable);
      chosen != nullptr && *chosen != '\0') {
    return chosen;
  }
  return default_directory();
}

std::string untrusted_directory_reason(const fs::path& directory) {
  struct stat info {};
  if (::lstat(directory.c_str(), &info) != 0) {
    return "missing";
  }
  if (S_ISLNK(info.st_mode)) {
    return "a symbolic link";
  }
  if (!S_ISDIR(info.st_mode)) {
    return "not a directory";
  }
  if (info.st_uid != ::geteuid()) {
    return "owned by another user (uid " + std::to_string(info.st_uid) + ")";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "writable by others (chmod go-w)";
  }
  return {};
}

std::vector<ScannedPort> AdvertisedPortScanner::present_ports() {
  std::vector<ScannedPort> ports;
  if (platform_ != nullptr) {
    ports = platform_->present_ports();
  }
  if (const std::string reason = untrusted_directory_reason(directory_); !reason.empty()) {
    if (report_ != nullptr && !reported_ &&
        (reason != "missing" || directory_ != default_directory())) {
      *report_ << "warning: simulated devices are not listed: " << directory_.string() << " ("
               << (directory_ == default_directory() ? "the advertisement directory"
                                                     : kPortsDirectoryVariable)
               << ") is " << reason << '\n';
      reported_ = true;
    }
    return ports;
  }
  std::vector<std::pair<std::string, std::string>> devices;  // device, symlink
  std::error_code error;
  // Iterated with error codes: a link that vanishes while it is read must not end the scan.
  for (fs::directory_iterator entry(directory_, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code entry_error;
    if (!entry->is_symlink(entry_error)) {
      continue;
    }
    const fs::path device = fs::canonical(entry->path(), entry_error);
    if (entry_error || !is_own_character_device(device) || !is_ascii(device.string())) {
      continue;
    }
    devices.emplace_back(device.string(), entry->path().string());
  }
  // Sorted by device, then link: a device behind several links is listed once, with the first.
  std::sort(devices.begin(), devices.end());
  devices.erase(std::unique(devices.begin(), devices.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                devices.end());
  for (const auto& [device, symlink] : devices) {
    ScannedPort port(widened(device), kSimulatedDeviceDescription, PortKind::kPty);
    port.symlink = symlink;
    ports.push_back(std::move(port));
  }
  return ports;
}

}  // namespace quintrel

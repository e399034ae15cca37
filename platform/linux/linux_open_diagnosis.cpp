#include "platform/linux/linux_open_diagnosis.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/linux/linux_port_holders.h"
#include "platform/linux/linux_serial_port.h"
#include "ports/port_list.h"

namespace quintrel {

namespace fs = std::filesystem;

namespace {

// The device as /proc/PID/fd names it: "/dev/serial/by-id/usb-..." and other links resolved.
std::string resolved(const std::string& path) {
  std::error_code error;
  const fs::path device = fs::canonical(path, error);
  return error ? path : device.string();
}

// Also true for a USB port that is gone, whose by-id link dangles or whose name is all we have.
bool is_usb_port(const std::string& path, const std::string& device) {
  const std::string name = fs::path(device).filename().string();
  return name.starts_with("ttyUSB") || name.starts_with("ttyACM") ||
         path.starts_with("/dev/serial/by-id/usb-");
}

std::string grabber_advice(const std::string& program) {
  if (program == "ModemManager") {
    return "ModemManager is running, which opens new USB adapters to probe them for a modem: "
           "stop it (sudo systemctl stop ModemManager)";
  }
  return "brltty is running, which takes some USB serial adapters for braille displays: remove "
         "it (sudo apt remove brltty), then plug the adapter in again";
}

// The owner's and group's names of a file, numbers where the system has no name.
std::pair<std::string, std::string> owner_and_group(const struct stat& info) {
  std::vector<char> buffer(16384);
  std::pair<std::string, std::string> names{std::to_string(info.st_uid),
                                            std::to_string(info.st_gid)};
  struct passwd user {};
  struct passwd* found_user = nullptr;
  if (getpwuid_r(info.st_uid, &user, buffer.data(), buffer.size(), &found_user) == 0 &&
      found_user != nullptr) {
    names.first = found_user->pw_name;
  }
  struct group group {};
  struct group* found_group = nullptr;
  if (getgrgid_r(info.st_gid, &group, buffer.data(), buffer.size(), &found_group) == 0 &&
      found_group != nullptr) {
    names.second = found_group->gr_name;
  }
  return names;
}

// A busy port none of whose holders we may see: the processes we cannot look into are other
// users'. A lock is held only while its program runs; the exclusive flag (EBUSY from open) may
// also be left over from a program that ended, which a pseudo-terminal keeps while its far end
// runs.
std::string unseen_holder_reason(const std::string& device, int error) {
  const std::string fuser = "sudo fuser -v " + device + " names it";
  if (error != EBUSY) {
    return "busy: held by a program this user cannot see (another user's: " + fuser + ")";
  }
  return "busy: taken for exclusive use, by a program this user cannot see (another user's: " +
         fuser + ") or left so by one that ended (a pseudo-terminal keeps it while its far end " +
         "runs: restart the program that made it, such as quintrel-sim)";
}

}  // namespace

std::string permission_reason(const std::string& owner, const std::string& group,
                              unsigned int mode) {
  if ((mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) {
    return "permission denied: only " + owner + " may open the port";
  }
  return "permission denied: the user is not in the '" + group + "' group, which may open the " +
         "port (sudo usermod -aG " + group + " $USER, then log in again)";
}

std::string diagnose_open_failure(const std::string& path, int error, const fs::path& proc_root,
                                  PortScanner* scanner) {
  const std::string device = resolved(path);
  const bool busy = error == EBUSY || error == EWOULDBLOCK;
  const bool missing = error == ENOENT || error == ENODEV || error == ENXIO;
  std::string reason = describe_open_error(error);
  struct stat info {};
  if ((error == EACCES || error == EPERM) && ::stat(device.c_str(), &info) == 0) {
    const auto [owner, group] = owner_and_group(info);
    reason = permission_reason(owner, group, info.st_mode);
  }
  if (busy) {
    const PortHolders holders = find_port_holders(proc_root, device, ::getpid());
    if (!holders.seen.empty()) {
      reason = "busy: held by " + holder_names(holders.seen);
    } else if (holders.unseen) {
      reason = unseen_holder_reason(device, error);
    }
  }
  if ((busy || missing) && is_usb_port(path, device)) {
    for (const std::string& program : running_adapter_grabbers(proc_root)) {
      reason += "; " + grabber_advice(program);
    }
  }
  if (missing) {
    if (const std::string present = present_ports_note(scanner); !present.empty()) {
      reason += "; " + present;
    }
  }
  return reason;
}

std::string other_holders_warning(const std::string& path, const fs::path& proc_root) {
  const PortHolders holders = find_port_holders(proc_root, resolved(path), ::getpid());
  return holders.seen.empty()
             ? std::string()
             : path + " is also open in " + holder_names(holders.seen) + ": replies may be lost";
}

}  // namespace quintrel

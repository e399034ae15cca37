#include "platform/linux/linux_open_diagnosis.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/linux/linux_port_holders.h"
#include "platform/linux/linux_serial_device.h"
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

}  // namespace

std::string diagnose_open_failure(const std::string& path, int error, const fs::path& proc_root,
                                  PortScanner* scanner) {
  const std::string device = resolved(path);
  const bool busy = error == EBUSY || error == EWOULDBLOCK;
  const bool missing = error == ENOENT || error == ENODEV || error == ENXIO;
  std::string reason = describe_open_error(error);
  if (busy) {
    const PortHolders holders = find_port_holders(proc_root, device, ::getpid());
    if (!holders.seen.empty()) {
      reason = "busy: held by " + holder_names(holders.seen);
    } else if (holders.unseen) {
      reason = "busy: held by another user's program";
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

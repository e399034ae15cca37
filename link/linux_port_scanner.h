// Port discovery on Linux: the serial devices the kernel lists under /sys/class/tty.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "link/port_list.h"

namespace quintrel {

class LinuxPortScanner final : public PortScanner {
 public:
  // sysfs_root is "/sys" on a running system; tests pass a fake tree.
  explicit LinuxPortScanner(std::filesystem::path sysfs_root = "/sys")
      : sysfs_root_(std::move(sysfs_root)) {}

  // Every tty with a device behind it (USB ttyUSB*/ttyACM*, platform and PCI UARTs), except the
  // legacy ttyS* placeholders that have no UART. The name is the device path ("/dev/ttyUSB0"),
  // the description the USB product string, else the USB interface name, else the driver name.
  // sysfs lists its entries in no meaningful order, so they are sorted by name, numbers by value
  // ("ttyUSB2" before "ttyUSB10").
  std::vector<ScannedPort> present_ports() override;

 private:
  std::filesystem::path sysfs_root_;
};

// Orders names with runs of digits compared by their value.
bool port_name_less(std::string_view left, std::string_view right);

}  // namespace quintrel

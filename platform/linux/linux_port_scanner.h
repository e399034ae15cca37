// Port discovery on Linux: the serial devices the kernel lists under /sys/class/tty, with what
// sysfs tells of the device behind each and the /dev/serial/by-id/ link that leads to it.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "ports/port_list.h"

namespace quintrel {

class LinuxPortScanner final : public PortScanner {
 public:
  // "/sys" and udev's "/dev/serial/by-id" on a running system; tests pass fake trees.
  explicit LinuxPortScanner(std::filesystem::path sysfs_root = "/sys",
                            std::filesystem::path by_id_directory = "/dev/serial/by-id")
      : sysfs_root_(std::move(sysfs_root)), by_id_directory_(std::move(by_id_directory)) {}

  // Every tty with a device behind it (USB ttyUSB*/ttyACM*, platform and PCI UARTs), except the
  // legacy ttyS* placeholders that have no UART. The name is the device path ("/dev/ttyUSB0"),
  // the description the USB product string, else the USB interface name, else the driver name.
  // sysfs lists its entries in no meaningful order, so they are sorted by name, numbers by value
  // ("ttyUSB2" before "ttyUSB10").
  // A USB port (kind kUsb) carries its device's ids, serial number, manufacturer and product
  // texts and, as location, the kernel's name of its interface ("1-1.2:1.0": bus, hub ports,
  // configuration and interface); a UART (kUart) the name of its controller ("0000:00:16.3").
  std::vector<ScannedPort> present_ports() override;

 private:
  std::filesystem::path sysfs_root_;
  std::filesystem::path by_id_directory_;
};

// Orders names with runs of digits compared by their value.
bool port_name_less(std::string_view left, std::string_view right);

}  // namespace quintrel

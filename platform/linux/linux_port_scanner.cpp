#include "platform/linux/linux_port_scanner.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <system_error>

#include "base/ascii_text.h"
#include "base/outside_text.h"
#include "base/utf8_text.h"

namespace quintrel {

namespace fs = std::filesystem;

namespace {

// What an entry shows when none of its descriptions can be read.
constexpr char kUnknownDescription[] = "unknown";

// serial-base puts a port device below a controller device.
constexpr int kMaxSerialBaseLevels = 2;

// The first line of a sysfs attribute; empty when it cannot be read.
std::string read_attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) {
    return {};
  }
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

// The last component of where a sysfs link points ("ftdi_sio" for .../drivers/ftdi_sio).
std::string symlink_target_name(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::read_symlink(link, error);
  return error ? std::string() : target.filename().string();
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A ttyS* port exists for every legacy UART slot the kernel was built for; only those whose UART
// was detected have a type other than 0 (PORT_UNKNOWN).
bool is_placeholder_uart(const std::string& name, const fs::path& tty_dir) {
  if (!name.starts_with("ttyS")) {
    return false;
  }
  const std::string type = read_attribute(tty_dir / "type");
  return type.empty() || type == "0";
}

// sysfs texts come from devices; anything that is not UTF-8 is replaced, not passed on, and
// control characters are escaped, so that a device cannot send escape sequences to a terminal.
std::string utf8_attribute(const fs::path& file) {
  return escaped_controls(utf8_from_utf16(utf16_from_utf8(read_attribute(file))));
}

// A USB id attribute ("0403") as 4 lower-case hex digits; empty when it is anything else.
std::string usb_id(const fs::path& file) {
  const std::string id = read_attribute(file);
  const bool hex4 = id.size() == 4 && std::all_of(id.begin(), id.end(),
                                                  [](char c) { return hex_digit_value(c) >= 0; });
  return hex4 ? ascii_lowered(id) : std::string();
}

// The subsystems of UARTs on a board, a PCI card or behind the serial-base port devices.
bool is_uart_subsystem(const std::string& subsystem) {
  for (const char* uart : {"platform", "pci", "pnp", "amba", "acpi", "serial", "serial-base"}) {
    if (subsystem == uart) {
      return true;
    }
  }
  return false;
}

// A USB port: the tty's device is the interface (ttyACM) or a port below it (ttyUSB), and the
// USB device with its ids and texts is the interface's parent.
void describe_usb(const fs::path& device, const std::string& subsystem, ScannedPort& port,
                  std::string& description) {
  const fs::path interface = subsystem == "usb" ? device : device.parent_path();
  const fs::path usb_device = interface.parent_path();
  port.kind = PortKind::kUsb;
  port.vid = usb_id(usb_device / "idVendor");
  port.pid = usb_id(usb_device / "idProduct");
  port.serial = utf8_attribute(usb_device / "serial");
  port.manufacturer = utf8_attribute(usb_device / "manufacturer");
  port.product = utf8_attribute(usb_device / "product");
  port.location = interface.filename().string();
  description = port.product.empty() ? utf8_attribute(interface / "interface") : port.product;
}

ScannedPort scan_port(const std::string& name, const fs::path& tty_dir) {
  ScannedPort port;
  port.name = utf16_from_utf8("/dev/" + name);
  std::string description;
  std::error_code error;
  fs::path device = fs::canonical(tty_dir / "device", error);
  if (!error) {
    const std::string subsystem = symlink_target_name(device / "subsystem");
    if (subsystem == "usb" || subsystem == "usb-serial") {
      describe_usb(device, subsystem, port, description);
    }
    // Since Linux 6.5 a UART's tty hangs below "serial-base" port and controller devices; the
    // driver worth naming is the one of the UART itself, above them.
    for (int level = 0;
         level < kMaxSerialBaseLevels && symlink_target_name(device / "subsystem") == "serial-base";
         ++level) {
      device = device.parent_path();
    }
    if (port.kind != PortKind::kUsb &&
        is_uart_subsystem(symlink_target_name(device / "subsystem"))) {
      port.kind = PortKind::kUart;
      port.location = device.filename().string();
    }
    if (description.empty()) {
      description = symlink_target_name(device / "driver");
    }
  }
  port.description = utf16_from_utf8(description.empty() ? kUnknownDescription : description);
  return port;
}

// The kernel name each /dev/serial/by-id/ link leads to ("ttyUSB0"), with the link's path; the
// first link by name where several lead to one port.
std::map<std::string, std::string> by_id_symlinks(const fs::path& directory) {
  std::map<std::string, std::string> links;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    std::error_code link_error;
    const fs::path target = fs::read_symlink(it->path(), link_error);
    if (link_error) {
      continue;
    }
    const std::string tty = (directory / target).lexically_normal().filename().string();
    const std::string link = it->path().string();
    auto [at, added] = links.emplace(tty, link);
    if (!added && link < at->second) {
      at->second = link;
    }
  }
  return links;
}

}  // namespace

bool port_name_less(std::string_view left, std::string_view right) {
  std::size_t l = 0;
  std::size_t r = 0;
  while (l < left.size() && r < right.size()) {
    if (is_digit(left[l]) && is_digit(right[r])) {
      const std::size_t l_start = l;
      const std::size_t r_start = r;
      while (l < left.size() && is_digit(left[l])) {
        ++l;
      }
      while (r < right.size() && is_digit(right[r])) {
        ++r;
      }
      // Compare the runs by value: without leading zeros, a longer run is larger.
      std::string_view l_run = left.substr(l_start, l - l_start);
      std::string_view r_run = right.substr(r_start, r - r_start);
      while (l_run.size() > 1 && l_run.front() == '0') {
        l_run.remove_prefix(1);
      }
      while (r_run.size() > 1 && r_run.front() == '0') {
        r_run.remove_prefix(1);
      }
      if (l_run.size() != r_run.size()) {
        return l_run.size() < r_run.size();
      }
      if (l_run != r_run) {
        return l_run < r_run;
      }
      continue;
    }
    if (left[l] != right[r]) {
      return left[l] < right[r];
    }
    ++l;
    ++r;
  }
  return left.size() - l < right.size() - r;
}

std::vector<ScannedPort> LinuxPortScanner::present_ports() {
  std::vector<std::pair<std::string, ScannedPort>> found;  // kernel name, port
  std::error_code error;
  for (fs::directory_iterator it(sysfs_root_ / "class" / "tty", error), end; !error && it != end;
       it.increment(error)) {
    const fs::path tty_dir = it->path();
    const std::string name = tty_dir.filename().string();
    std::error_code exists_error;
    // Virtual consoles, pseudo-terminals and the like have no device behind them.
    if (!fs::exists(tty_dir / "device", exists_error) || is_placeholder_uart(name, tty_dir)) {
      continue;
    }
    found.emplace_back(name, scan_port(name, tty_dir));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return port_name_less(a.first, b.first); });

  const std::map<std::string, std::string> links = by_id_symlinks(by_id_directory_);
  std::vector<ScannedPort> ports;
  ports.reserve(found.size());
  for (auto& [name, port] : found) {
    if (const auto link = links.find(name); link != links.end()) {
      port.by_id = link->second;
    }
    ports.push_back(std::move(port));
  }
  return ports;
}

}  // namespace quintrel

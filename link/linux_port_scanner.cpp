#include "link/linux_port_scanner.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>

#include "link/utf8_text.h"

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
std::string link_target_name(const fs::path& link) {
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

std::string describe(const fs::path& tty_dir) {
  std::error_code error;
  fs::path device = fs::canonical(tty_dir / "device", error);
  if (error) {
    return kUnknownDescription;
  }
  const std::string subsystem = link_target_name(device / "subsystem");
  if (subsystem == "usb" || subsystem == "usb-serial") {
    // ttyACM's device is the USB interface; ttyUSB's is a port below the interface.
    const fs::path interface = subsystem == "usb" ? device : device.parent_path();
    const std::string product = read_attribute(interface.parent_path() / "product");
    if (!product.empty()) {
      return product;
    }
    const std::string interface_name = read_attribute(interface / "interface");
    if (!interface_name.empty()) {
      return interface_name;
    }
  }
  // Since Linux 6.5 a UART's tty hangs below "serial-base" port and controller devices; the
  // driver worth naming is the one of the UART itself, above them.
  for (int level = 0;
       level < kMaxSerialBaseLevels && link_target_name(device / "subsystem") == "serial-base";
       ++level) {
    device = device.parent_path();
  }
  const std::string driver = link_target_name(device / "driver");
  return driver.empty() ? kUnknownDescription : driver;
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
  std::vector<std::pair<std::string, std::string>> found;  // kernel name, description
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
    found.emplace_back(name, describe(tty_dir));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return port_name_less(a.first, b.first); });

  std::vector<ScannedPort> ports;
  ports.reserve(found.size());
  for (const auto& [name, description] : found) {
    ports.push_back({utf16_from_utf8("/dev/" + name), utf16_from_utf8(description)});
  }
  return ports;
}

}  // namespace quintrel

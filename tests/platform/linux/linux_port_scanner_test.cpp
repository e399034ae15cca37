#include "platform/linux/linux_port_scanner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace quintrel {
namespace {

namespace fs = std::filesystem;

// A small sysfs tree built the way the kernel lays it out: class/tty/<name> directories with
// relative "device" links into devices/, and "driver"/"subsystem" links into bus/.
class FakeSysfs {
 public:
  FakeSysfs() {
    root = fs::temp_directory_path() /
           ("quintrel-sysfs-" + std::to_string(getpid()) + "-" + std::to_string(counter_++));
    fs::remove_all(root);
    fs::create_directories(root / "class" / "tty");
  }
  ~FakeSysfs() { fs::remove_all(root); }
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  // A device directory under devices/ with its subsystem and driver links.
  fs::path device(const std::string& path, const std::string& subsystem,
                  const std::string& driver = "") {
    const fs::path dir = root / "devices" / path;
    fs::create_directories(dir);
    fs::create_directories(root / "bus" / subsystem / "drivers");
    fs::create_directory_symlink(fs::relative(root / "bus" / subsystem, dir), dir / "subsystem");
    if (!driver.empty()) {
      const fs::path driver_dir = root / "bus" / subsystem / "drivers" / driver;
      fs::create_directories(driver_dir);
      fs::create_directory_symlink(fs::relative(driver_dir, dir), dir / "driver");
    }
    return dir;
  }

  void attribute(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text << '\n';
  }

  // class/tty/<name>, linked to its device when there is one.
  fs::path tty(const std::string& name, const fs::path& device_dir = {}) {
    const fs::path dir = root / "class" / "tty" / name;
    fs::create_directories(dir);
    if (!device_dir.empty()) {
      fs::create_directory_symlink(fs::relative(device_dir, dir), dir / "device");
    }
    return dir;
  }

  std::vector<ScannedPort> scan() { return LinuxPortScanner(root).present_ports(); }

  fs::path root;

 private:
  static inline int counter_ = 0;
};

std::vector<std::u16string> entries(const std::vector<ScannedPort>& ports) {
  std::vector<std::u16string> texts;
  for (const ScannedPort& port : ports) {
    texts.push_back(format_port_entry(port));
  }
  return texts;
}

TEST(LinuxPortScanner, UsbPortsDescribedByProductThenInterfaceThenDriver) {
  FakeSysfs sysfs;
  // An FTDI adapter: the tty's device is a usb-serial port below the USB interface.
  const fs::path ftdi = sysfs.device("pci0000:00/usb1/1-1", "usb", "usb");
  sysfs.attribute(ftdi / "product", "FT232R USB UART");
  const fs::path ftdi_if = sysfs.device("pci0000:00/usb1/1-1/1-1:1.0", "usb", "ftdi_sio");
  sysfs.tty("ttyUSB0",
            sysfs.device("pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0", "usb-serial", "ftdi_sio"));
  // A CDC-ACM board without a product string: the tty's device is the interface itself.
  sysfs.device("pci0000:00/usb1/1-2", "usb", "usb");
  const fs::path acm = sysfs.device("pci0000:00/usb1/1-2/1-2:1.0", "usb", "cdc_acm");
  sysfs.attribute(acm / "interface", "CDC Abstract Control Model");
  sysfs.tty("ttyACM0", acm);
  // Neither product nor interface name: the driver's name.
  sysfs.device("pci0000:00/usb1/1-3", "usb", "usb");
  sysfs.device("pci0000:00/usb1/1-3/1-3:1.0", "usb", "ch341");
  sysfs.tty("ttyUSB1", sysfs.device("pci0000:00/usb1/1-3/1-3:1.0/ttyUSB1", "usb-serial", "ch341"));
  (void)ftdi_if;

  EXPECT_EQ(entries(sysfs.scan()), (std::vector<std::u16string>{
                                       u"/dev/ttyACM0(CDC Abstract Control Model)",
                                       u"/dev/ttyUSB0(FT232R USB UART)",
                                       u"/dev/ttyUSB1(ch341)",
                                   }));
}

// What a scan tells of a port besides its entry, on one line.
std::string details(const ScannedPort& port) {
  constexpr const char* kKinds[] = {"other", "usb", "uart", "pty", "legacy"};
  return std::string(kKinds[static_cast<int>(port.kind)]) + " vid=" + port.vid +
         " pid=" + port.pid + " serial=" + port.serial + " by " + port.manufacturer +
         " product=" + port.product + " at " + port.location + " link=" + port.by_id;
}

TEST(LinuxPortScanner, PortsCarryTheirKindUsbIdsTextsLocationAndByIdLink) {
  FakeSysfs sysfs;
  const fs::path ftdi = sysfs.device("pci0000:00/usb1/1-1.2", "usb", "usb");
  sysfs.attribute(ftdi / "idVendor", "040A");  // given in lower case
  sysfs.attribute(ftdi / "idProduct", "6001");
  sysfs.attribute(ftdi / "serial", "A50285BI");
  sysfs.attribute(ftdi / "manufacturer", "FTDI");
  sysfs.attribute(ftdi / "product", "FT232R \xff UART");  // not UTF-8: replaced
  sysfs.device("pci0000:00/usb1/1-1.2/1-1.2:1.0", "usb", "ftdi_sio");
  sysfs.tty("ttyUSB0",
            sysfs.device("pci0000:00/usb1/1-1.2/1-1.2:1.0/ttyUSB0", "usb-serial", "ftdi_sio"));
  sysfs.attribute(
      sysfs.tty("ttyS4", sysfs.device("pci0000:00/0000:00:16.3", "pci", "serial")) / "type", "4");
  sysfs.tty("rfcomm0", sysfs.device("virtual/bluetooth/hci0", "bluetooth"));
  // udev's links are relative.
  const fs::path by_id = sysfs.root / "dev" / "serial" / "by-id";
  fs::create_directories(by_id);
  fs::create_symlink("../../ttyUSB0", by_id / "usb-FTDI_FT232R_A50285BI-if00-port0");

  const std::vector<ScannedPort> ports = LinuxPortScanner(sysfs.root, by_id).present_ports();
  std::vector<std::string> seen;
  for (const ScannedPort& port : ports) {
    seen.push_back(details(port));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "other vid= pid= serial= by  product= at  link=",
                      "uart vid= pid= serial= by  product= at 0000:00:16.3 link=",
                      "usb vid=040a pid=6001 serial=A50285BI by FTDI product=FT232R \uFFFD UART "
                      "at 1-1.2:1.0 link=" +
                          (by_id / "usb-FTDI_FT232R_A50285BI-if00-port0").string(),
                  }));
}

TEST(LinuxPortScanner, UartsWithoutHardwareAndDevicelessTtysAreLeftOut) {
  FakeSysfs sysfs;
  // Legacy slots: type 0 means no UART was found; a missing type counts the same.
  const fs::path ttyS0 =
      sysfs.tty("ttyS0", sysfs.device("platform/serial8250", "platform", "serial8250"));
  sysfs.attribute(ttyS0 / "type", "0");
  sysfs.tty("ttyS1", sysfs.device("platform/serial8250.1", "platform", "serial8250"));
  // A detected 16550A on a PCI card and one behind the serial-base port devices of Linux 6.5+.
  const fs::path pci = sysfs.tty("ttyS4", sysfs.device("pci0000:00/0000:00:16.3", "pci", "serial"));
  sysfs.attribute(pci / "type", "4");
  sysfs.device("pnp0/00:00", "pnp", "serial");
  sysfs.device("pnp0/00:00/00:00:0", "serial-base", "ctrl");
  const fs::path based =
      sysfs.tty("ttyS2", sysfs.device("pnp0/00:00/00:00:0/00:00:0.0", "serial-base", "port"));
  sysfs.attribute(based / "type", "4");
  // A platform UART of a single-board computer, not a ttyS* name.
  sysfs.tty("ttyAMA0", sysfs.device("platform/fe201000.serial", "amba", "uart-pl011"));
  // Virtual consoles and the like have no device link.
  sysfs.tty("tty0");
  sysfs.tty("console");

  EXPECT_EQ(entries(sysfs.scan()), (std::vector<std::u16string>{
                                       u"/dev/ttyAMA0(uart-pl011)",
                                       u"/dev/ttyS2(serial)",
                                       u"/dev/ttyS4(serial)",
                                   }));
}

TEST(LinuxPortScanner, UnreadableDescriptionStillGivesAnEntry) {
  FakeSysfs sysfs;
  // A device without a driver link; a device link that points nowhere is no device at all.
  sysfs.tty("ttyUSB3", sysfs.device("virtual/odd", "usb-serial"));
  const fs::path dangling = sysfs.tty("ttyUSB4");
  fs::create_directory_symlink("../../../devices/gone", dangling / "device");

  EXPECT_EQ(entries(sysfs.scan()), (std::vector<std::u16string>{u"/dev/ttyUSB3(unknown)"}));
}

TEST(LinuxPortScanner, MissingTreeGivesNothing) {
  EXPECT_TRUE(LinuxPortScanner("/nonexistent-sysfs-root").present_ports().empty());
}

TEST(LinuxPortScanner, SortedByNameWithNumbersByValue) {
  FakeSysfs sysfs;
  for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyUSB0", "ttyUSB1"}) {
    sysfs.tty(name, sysfs.device(std::string("virtual/") + name, "usb-serial", "pl2303"));
  }
  EXPECT_EQ(entries(sysfs.scan()), (std::vector<std::u16string>{
                                       u"/dev/ttyACM1(pl2303)",
                                       u"/dev/ttyUSB0(pl2303)",
                                       u"/dev/ttyUSB1(pl2303)",
                                       u"/dev/ttyUSB2(pl2303)",
                                       u"/dev/ttyUSB10(pl2303)",
                                   }));
}

TEST(PortNameLess, NumbersCompareByValue) {
  const std::vector<std::string> ordered = {"ttyS",   "ttyS1",   "ttyS01x", "ttyS2",
                                            "ttyS10", "ttyS10a", "ttyUSB0"};
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    for (std::size_t j = 0; j < ordered.size(); ++j) {
      SCOPED_TRACE(ordered[i] + " vs " + ordered[j]);
      EXPECT_EQ(port_name_less(ordered[i], ordered[j]), i < j);
    }
  }
}

}  // namespace
}  // namespace quintrel

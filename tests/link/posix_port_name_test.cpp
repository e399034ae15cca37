#include "link/posix_port_name.h"

#include <gtest/gtest.h>

#include "link/serial_link.h"

namespace quintrel {
namespace {

TEST(PosixDevicePath, NamesMapToDevicePaths) {
  const struct {
    std::u16string name;
    std::string path;
  } cases[] = {
      {u"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {u"/tmp/quintrel-sim/port", "/tmp/quintrel-sim/port"},
      {u"COM1", "/dev/ttyS0"},
      {u"COM10", "/dev/ttyS9"},
      {u"COM256", "/dev/ttyS255"},
      {u"COM999999999", "/dev/ttyS999999998"},
      {u"ttyUSB0", "/dev/ttyUSB0"},
      {u"ttyACM3", "/dev/ttyACM3"},
      // Not a COM number: taken under /dev/ as typed.
      {u"COM0", "/dev/COM0"},
      {u"COM01", "/dev/COM01"},
      {u"COM", "/dev/COM"},
      {u"com3", "/dev/com3"},
      {u"COM3 ", "/dev/COM3 "},
      {u"COM3x", "/dev/COM3x"},
      {u"COM1234567890", "/dev/COM1234567890"},
      {u"", "/dev/"},
      {u"serial/by-id/usb-Gerät", "/dev/serial/by-id/usb-Ger\xC3\xA4t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(posix_device_path(c.name), c.path);
  }
}

TEST(PosixDevicePath, PortBoxEntryOpensTheDevicePathBeforeItsParenthesis) {
  EXPECT_EQ(posix_device_path(port_name_from_box_text(u"/dev/ttyUSB0(FT232R USB UART)")),
            "/dev/ttyUSB0");
  EXPECT_EQ(posix_device_path(port_name_from_box_text(u"COM3")), "/dev/ttyS2");
}

}  // namespace
}  // namespace quintrel

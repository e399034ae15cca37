#include "platform/linux/linux_port_name.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "base/utf8_text.h"
#include "ports/port_identity.h"
#include "ports/port_list.h"

namespace quintrel {
namespace {

TEST(LinuxDevicePath, NamesMapToDevicePaths) {
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
    EXPECT_EQ(linux_port_path(c.name), c.path);
  }
}

TEST(LinuxDevicePath, PortBoxEntryOpensTheDevicePathBeforeItsParenthesis) {
  EXPECT_EQ(linux_port_path(port_name_from_box_text(u"/dev/ttyUSB0(FT232R USB UART)")),
            "/dev/ttyUSB0");
  EXPECT_EQ(linux_port_path(port_name_from_box_text(u"COM3")), "/dev/ttyS2");
}

TEST(PortIdentity, LinksAndLegacyNamesMeetAtTheirDevice) {
  const std::filesystem::path link =
      std::filesystem::temp_directory_path() / ("quintrel-identity-" + std::to_string(getpid()));
  std::filesystem::create_symlink("/dev/null", link);
  EXPECT_EQ(port_identity(utf16_from_utf8(link.string())), "/dev/null");
  std::filesystem::remove(link);
  EXPECT_EQ(port_identity(u"COM1"), port_identity(u"/dev/ttyS0"));
  EXPECT_EQ(port_identity(u"quintrel-no-such-tty"), "/dev/quintrel-no-such-tty");
}

}  // namespace
}  // namespace quintrel

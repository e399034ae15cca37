#include "ui/cli/port_selector.h"

#include <gtest/gtest.h>

#include "link/utf8_text.h"

namespace quintrel::cli {
namespace {

ScannedPort port(std::u16string name, PortKind kind, std::string vid = "", std::string pid = "",
                 std::string serial = "", std::string by_id = "", std::string link = "") {
  ScannedPort made(std::move(name), u"description", kind);
  made.vid = std::move(vid);
  made.pid = std::move(pid);
  made.serial = std::move(serial);
  made.by_id = std::move(by_id);
  made.link = std::move(link);
  return made;
}

std::vector<ScannedPort> bench_ports() {
  std::vector<ScannedPort> ports = {
      port(u"/dev/ttyS0", PortKind::kUart),
      port(u"/dev/ttyUSB0", PortKind::kUsb, "0403", "6001", "A1", "/dev/serial/by-id/usb-FTDI_A1"),
      port(u"/dev/ttyUSB1", PortKind::kUsb, "0403", "6001", "B2", "/dev/serial/by-id/usb-FTDI_B2"),
      port(u"/dev/ttyACM0", PortKind::kUsb, "2341", "0043", "X9"),
      port(u"/dev/pts/3", PortKind::kPty, "", "", "", "", "/tmp/quintrel-ports-1000/a"),
      port(u"/dev/odd[1]", PortKind::kOther),
  };
  for (const char16_t* name : {u"COM1", u"COM2", u"COM3"}) {
    ports.emplace_back(name, u"", PortKind::kLegacy);
  }
  return ports;
}

// As on Linux: COMn is /dev/ttyS(n-1), the advertised link is its pty.
std::string identity(const std::string& name) {
  if (name.starts_with("COM")) {
    return "/dev/ttyS" + std::to_string(std::stoi(name.substr(3)) - 1);
  }
  return name == "/tmp/quintrel-ports-1000/a" ? "/dev/pts/3" : name;
}

using Names = std::vector<std::string>;

TEST(SelectPorts, EachFormOfSelector) {
  const struct {
    const char* selector;
    Names ports;
    bool several;
    const char* error;  // a part of the usage error's text
  } cases[] = {
      {"/dev/ttyUSB0", {"/dev/ttyUSB0"}, false, nullptr},
      {"COM3(USB Serial Port [x])", {"COM3"}, false, nullptr},
      {"ttyNotListed", {"ttyNotListed"}, false, nullptr},
      {"/dev/odd[1]", {"/dev/odd[1]"}, false, nullptr},
      {"usb:0403:6001:A1", {"/dev/ttyUSB0"}, false, nullptr},
      {"usb:0403:6001:B2", {"/dev/ttyUSB1"}, false, nullptr},
      {"usb:2341:0043", {"/dev/ttyACM0"}, false, nullptr},
      {"serial:X9", {"/dev/ttyACM0"}, false, nullptr},
      {"/dev/serial/by-id/usb-FTDI*", {"/dev/ttyUSB0", "/dev/ttyUSB1"}, true, nullptr},
      {"/dev/ttyUSB[!0]", {"/dev/ttyUSB1"}, true, nullptr},
      {"/tmp/quintrel-ports-*/?", {"/dev/pts/3"}, true, nullptr},
      // COM1 is the scanned /dev/ttyS0; COM2 and COM3 were not found by the scan.
      {"COM*", {"COM1"}, true, nullptr},
      {"*",
       {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/pts/3", "/dev/odd[1]"},
       true,
       nullptr},
      {"usb:0403:6001",
       {},
       false,
       "'usb:0403:6001' matches 2 ports: /dev/ttyUSB0 (serial A1), /dev/ttyUSB1 (serial B2)"},
      {"usb:0403:6001:ZZ", {}, false, "no port matches 'usb:0403:6001:ZZ'"},
      {"usb:0403:60", {}, false, "is not usb:VID:PID[:SERIAL]"},
      {"usb:0403:6001:", {}, false, "is not usb:VID:PID[:SERIAL]"},
      {"serial:", {}, false, "names no serial number"},
      {"serial:a1", {}, false, "no port matches 'serial:a1'"},
      {"/dev/nothing*", {}, false, "no port matches '/dev/nothing*'"},
      {"tty\x1b[2J", {}, false, "the port 'tty\\x1B[2J' holds a control character"},
      {"", {}, false, "the port name is empty"},
      {"(USB Serial Port)", {}, false, "no port name before the \"(\""},
  };
  const std::vector<ScannedPort> ports = bench_ports();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selector);
    const SelectorResult result = select_ports(c.selector, ports, identity);
    EXPECT_EQ(result.ports, c.ports);
    EXPECT_EQ(result.several, c.several);
    if (c.error == nullptr) {
      EXPECT_EQ(result.error, "");
    } else {
      EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    }
  }
  // Only these forms need the scanned list; a plain name opens as it stands.
  for (const char* selector : {"usb:0403:6001", "serial:A1", "COM*", "/dev/tty[US]*"}) {
    EXPECT_TRUE(selector_uses_port_list(selector)) << selector;
  }
  for (const char* selector : {"/dev/ttyUSB0", "COM3(USB Serial Port [x] *)", ""}) {
    EXPECT_FALSE(selector_uses_port_list(selector)) << selector;
  }
}

TEST(SelectPorts, PatternMatchingThousandsIsRefused) {
  std::vector<ScannedPort> ports;
  for (int i = 0; i < 3000; ++i) {
    ports.push_back(port(utf16_from_utf8("/dev/pts/" + std::to_string(i)), PortKind::kPty));
  }
  const SelectorResult result = select_ports("/dev/pts/*", ports);
  EXPECT_TRUE(result.ports.empty());
  EXPECT_EQ(result.error,
            "'/dev/pts/*' matches 3000 ports, more than 256 in one run; narrow the "
            "pattern");
}

TEST(GlobMatches, WildcardsSetsAndLiterals) {
  const struct {
    const char* pattern;
    const char* text;
    bool matches;
  } cases[] = {
      {"a*b*c", "aXXbYc", true},
      {"a*b*c", "aXXbYcd", false},
      {"*", "", true},
      {"?", "", false},
      {"COM?", "COM3", true},
      {"COM?", "COM10", false},
      {"[]]x", "]x", true},
      {"[a-c]", "b", true},
      {"[!a-c]", "b", false},
      {"[^x]", "y", true},
      {"tty[", "tty[", true},
      {"tty[1", "tty1", false},
      {"*/by-id/*", "/dev/serial/by-id/usb-x", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.text);
    EXPECT_EQ(glob_matches(c.pattern, c.text), c.matches);
  }
  // Many stars against a long text that almost matches: linear back-tracking, no blow-up.
  EXPECT_FALSE(glob_matches("*a*a*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

}  // namespace
}  // namespace quintrel::cli

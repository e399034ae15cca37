#include "ports/port_selector.h"

#include <gtest/gtest.h>

#include "base/utf8_text.h"
#include "ports/port_glob.h"

namespace quintrel {
namespace {

ScannedPort port(std::u16string name, PortKind kind, std::string serial = "",
                 std::string by_id = "", std::string symlink = "") {
  ScannedPort made(std::move(name), u"description", kind);
  made.vid = serial.empty() ? "" : "0403";
  made.pid = serial.empty() ? "" : "6001";
  made.serial = std::move(serial);
  made.by_id = std::move(by_id);
  made.symlink = std::move(symlink);
  return made;
}

// As on Linux: COMn opens /dev/ttyS(n-1).
std::string identity(const std::string& name) {
  return name.starts_with("COM") ? "/dev/ttyS" + std::to_string(std::stoi(name.substr(3)) - 1)
                                 : name;
}

TEST(SelectPorts, EachFormOfSelector) {
  const std::vector<ScannedPort> ports = {
      port(u"/dev/ttyS0", PortKind::kUart),
      port(u"/dev/ttyUSB0", PortKind::kUsb, "A1", "/dev/serial/by-id/usb-FTDI_A1"),
      port(u"/dev/ttyUSB1", PortKind::kUsb, "B2", "/dev/serial/by-id/usb-FTDI_B2"),
      port(u"/dev/pts/3", PortKind::kPty, "", "", "/tmp/quintrel-ports-1000/a"),
      port(u"/dev/odd[1]", PortKind::kOther),
      ScannedPort(u"COM1", u"", PortKind::kLegacy),
      ScannedPort(u"COM2", u"", PortKind::kLegacy),
  };
  const struct {
    const char* selector;
    std::vector<std::string> ports;
    bool batch;
    const char* error;  // a part of the usage error's text
  } cases[] = {
      {"/dev/ttyUSB0", {"/dev/ttyUSB0"}, false, ""},
      {"COM3(USB Serial Port [x])", {"COM3"}, false, ""},
      {"/dev/odd[1]", {"/dev/odd[1]"}, false, ""},
      {"usb:0403:6001:B2", {"/dev/ttyUSB1"}, false, ""},
      {"serial:A1", {"/dev/ttyUSB0"}, false, ""},
      {"serial:a1", {"/dev/ttyUSB0"}, false, ""},
      {"usb:0403:6001:b2", {"/dev/ttyUSB1"}, false, ""},
      {"/dev/serial/by-id/usb-FTDI*", {"/dev/ttyUSB0", "/dev/ttyUSB1"}, true, ""},
      {"/tmp/quintrel-ports-*/?", {"/dev/pts/3"}, true, ""},
      // COM1 is the scanned /dev/ttyS0 (opened once); the scan did not find COM2.
      {"COM*", {"COM1"}, true, ""},
      {"*", {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/pts/3", "/dev/odd[1]"}, true, ""},
      {"usb:0403:6001",
       {},
       false,
       "'usb:0403:6001' matches 2 ports: /dev/ttyUSB0 (serial A1), /dev/ttyUSB1 (serial B2)"},
      {"usb:0403:6001:ZZ", {}, false, "no port matches 'usb:0403:6001:ZZ'"},
      {"usb:0403:60", {}, false, "is not usb:VID:PID[:SERIAL]"},
      {"serial:", {}, false, "names no serial number"},
      {"/dev/nothing*", {}, false, "no port matches '/dev/nothing*'"},
      {"tty\x1b[2J", {}, false, "the port 'tty\\x1B[2J' holds a control character"},
      {"", {}, false, "the port name is empty"},
      {"(USB Serial Port)", {}, false, "no port name before the \"(\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selector);
    const Result<SelectedPorts> result = select_ports(c.selector, ports, identity);
    const SelectedPorts selected = result ? *result : SelectedPorts{};
    EXPECT_EQ(selected.ports, c.ports);
    EXPECT_EQ(selected.batch, c.batch);
    EXPECT_NE(result.error().find(c.error), std::string::npos) << result.error();
    EXPECT_EQ(result.error().empty(), *c.error == '\0') << result.error();
  }
  // Only these need the scanned list; a plain name opens as it stands.
  for (const char* selector : {"usb:0403:6001", "serial:A1", "COM*", "/dev/tty[US]*"}) {
    EXPECT_TRUE(selector_uses_port_list(selector)) << selector;
  }
  EXPECT_FALSE(selector_uses_port_list("COM3(USB Serial Port [x] *)"));
}

// "(" starts a description only when the whole name names nothing; a listing names COM1's
// device once, as the scan found it, and keeps COM2.
TEST(SelectPorts, AnExistingNameKeepsItsParenthesisAndAListingEachDeviceOnce) {
  const PortExists exists = [](const std::string& name) { return name == "/d/port(1)"; };
  EXPECT_EQ(select_ports("/d/port(1)", {}, identity, exists)->ports,
            std::vector<std::string>{"/d/port(1)"});
  EXPECT_EQ(select_ports("/d/port(2)", {}, identity, exists)->ports,
            std::vector<std::string>{"/d/port"});
  const std::vector<ScannedPort> listed = listed_once(
      {port(u"/dev/ttyS0", PortKind::kUart), ScannedPort(u"COM1", u"", PortKind::kLegacy),
       ScannedPort(u"COM2", u"", PortKind::kLegacy)},
      identity);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].name + listed[1].name, u"/dev/ttyS0COM2");
}

// As on Windows: a fixed name is its device's own; a glob takes those with nothing scanned only
// where the scan found no port at all.
TEST(SelectPorts, AGlobTakesFixedNamesThatAreTheirDevicesOwnOnlyWithoutAScan) {
  const std::vector<ScannedPort> fixed = {ScannedPort(u"COM1", u"", PortKind::kLegacy),
                                          ScannedPort(u"COM3", u"", PortKind::kLegacy)};
  std::vector<ScannedPort> scanned = fixed;
  scanned.insert(scanned.begin(), port(u"COM3", PortKind::kUsb, "A1"));
  const auto own_name = [](const std::string& name) { return name; };
  EXPECT_EQ(select_ports("COM*", fixed, own_name)->ports,
            (std::vector<std::string>{"COM1", "COM3"}));
  EXPECT_EQ(select_ports("COM*", scanned, own_name)->ports, std::vector<std::string>{"COM3"});
}

TEST(SelectPorts, PatternMatchingThousandsIsRefused) {
  std::vector<ScannedPort> ports;
  for (int i = 0; i < 3000; ++i) {
    ports.push_back(port(utf16_from_utf8("/dev/pts/" + std::to_string(i)), PortKind::kPty));
  }
  EXPECT_EQ(select_ports("/dev/pts/*", ports).error(),
            "'/dev/pts/*' matches 3000 ports, more than 256 in one run; narrow the pattern");
}

TEST(GlobMatches, SetsLiteralsAndNoBlowUp) {
  EXPECT_TRUE(glob_matches("[]]x", "]x"));
  EXPECT_TRUE(glob_matches("tty[", "tty["));  // no closing "]": a plain character
  EXPECT_FALSE(glob_matches("COM?", "COM10"));
  EXPECT_TRUE(glob_matches("a*b*c", "aXXbYc"));
  EXPECT_FALSE(glob_matches("[!a-c]*", "b"));
  // Many stars against a long text that almost matches: back-tracking stays linear per star.
  EXPECT_FALSE(glob_matches("*a*a*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

}  // namespace
}  // namespace quintrel

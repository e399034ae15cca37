// The buffer rules of the Windows port discovery: registry strings without a terminator and the
// description's grow-and-retry requests.
#include <windows.h>

#include <devpropdef.h>
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/windows/win32_device_ids.h"
#include "platform/windows/win32_device_properties.h"
#include "platform/windows/win32_port_scanner.h"

namespace quintrel {
namespace {

std::vector<std::uint8_t> utf16_bytes(const std::u16string& text, bool terminated) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  if (terminated) {
    bytes.insert(bytes.end(), {0, 0});
  }
  return bytes;
}

TEST(RegistryText, EndsAtTheTerminatorOrAtTheBufferEnd) {
  EXPECT_EQ(registry_text(utf16_bytes(u"COM3", true).data(), 10), u"COM3");
  // Bytes after the terminator are ignored.
  std::vector<std::uint8_t> padded = utf16_bytes(u"COM7", true);
  padded.insert(padded.end(), {'X', 0, 'Y', 0});
  EXPECT_EQ(registry_text(padded.data(), padded.size()), u"COM7");
  // A value that fills the 512-byte buffer without a terminator ends at the buffer's end.
  const std::u16string full(kPortNameBytes / 2, u'A');
  const std::vector<std::uint8_t> unterminated = utf16_bytes(full, false);
  ASSERT_EQ(unterminated.size(), kPortNameBytes);
  EXPECT_EQ(registry_text(unterminated.data(), unterminated.size()), full);
  // An odd trailing byte is not half a character.
  EXPECT_EQ(registry_text(utf16_bytes(u"AB", false).data(), 3), u"A");
  EXPECT_EQ(registry_text(nullptr, 0), u"");
  // Non-ASCII text keeps its UTF-16 units.
  EXPECT_EQ(registry_text(utf16_bytes(u"\u30dd\u30fc\u30c8", true).data(), 8),
            u"\u30dd\u30fc\u30c8");
}

// A device property as SetupAPI reports it: too small a buffer fails with the size it needs.
struct FakeProperty {
  explicit FakeProperty(std::vector<std::uint8_t> stored, std::uint32_t error = 0,
                        std::uint32_t growth = 0)
      : value(std::move(stored)), other_error(error), grow_each_time(growth) {}

  std::vector<std::uint8_t> value;  // as stored, terminator included or not
  std::uint32_t other_error;        // a failure that is not "buffer too small"
  std::uint32_t grow_each_time;     // the value grows between requests (a racing driver)
  std::vector<std::pair<bool, std::uint32_t>> requests;  // (buffer given, size)

  PropertyRequest request() {
    return [this](std::uint8_t* buffer, std::uint32_t size) {
      requests.emplace_back(buffer != nullptr, size);
      if (other_error != 0) {
        return PropertyAnswer{false, other_error};
      }
      const auto needed = static_cast<std::uint32_t>(value.size());
      if (buffer == nullptr || size < needed) {
        value.resize(value.size() + grow_each_time, 'x');
        return PropertyAnswer{false, ERROR_INSUFFICIENT_BUFFER, needed};
      }
      std::memcpy(buffer, value.data(), value.size());
      return PropertyAnswer{true};
    };
  }
};

TEST(GrowingProperty, AsksForTheSizeThenReadsItWithRoomForATerminator) {
  FakeProperty terminated(utf16_bytes(u"USB Serial Port", true));
  EXPECT_EQ(read_growing_property(terminated.request()), u"USB Serial Port");
  ASSERT_EQ(terminated.requests.size(), 2u) << "first the size, then the text";
  EXPECT_FALSE(terminated.requests[0].first);
  EXPECT_EQ(terminated.requests[0].second, 0u);
  EXPECT_TRUE(terminated.requests[1].first);
  EXPECT_EQ(terminated.requests[1].second, 32u) << "the required byte count is passed";

  // A value stored without its terminator still ends: the buffer is twice the size, zero-filled.
  FakeProperty unterminated(utf16_bytes(u"Modem", false));
  EXPECT_EQ(read_growing_property(unterminated.request()), u"Modem");
}

TEST(GrowingProperty, FailuresGiveAnEmptyDescriptionAndNeverLoopForever) {
  FakeProperty missing({}, ERROR_INVALID_DATA);
  EXPECT_EQ(read_growing_property(missing.request()), u"");
  EXPECT_EQ(missing.requests.size(), 1u);

  FakeProperty growing(utf16_bytes(u"x", true), 0, 4);
  EXPECT_EQ(read_growing_property(growing.request()), u"");
  EXPECT_EQ(growing.requests.size(), static_cast<std::size_t>(kDescriptionAttemptsMax));

  // A size no description has is not allocated.
  FakeProperty huge(std::vector<std::uint8_t>(kDescriptionBytesMax + 2, 'a'));
  EXPECT_EQ(read_growing_property(huge.request()), u"");
  EXPECT_EQ(huge.requests.size(), 1u);
}

TEST(DeviceIds, GiveKindUsbIdsInLowerCaseAndOnlyRealSerialNumbers) {
  struct Case {
    std::u16string hardware_id, instance_id;
    PortKind kind;
    std::string vid, pid, serial;
  };
  const Case cases[] = {
      {u"USB\\VID_0403&PID_6001&REV_0600", u"USB\\VID_0403&PID_6001\\A50285BI", PortKind::kUsb,
       "0403", "6001", "A50285BI"},
      {u"USB\\Vid_2E8A&Pid_000a&MI_00", u"USB\\VID_2E8A&PID_000A&MI_00\\6&2C1F&0&0000",
       PortKind::kUsb, "2e8a", "000a", ""},
      // Digits that run on are no id; a USB device without a serial number gets a made-up part.
      {u"USB\\VID_04031&PID_60", u"USB\\VID_1A86&PID_7523\\5&1A2B3C&0&2", PortKind::kUsb, "", "",
       ""},
      {u"ACPI\\PNP0501", u"ACPI\\PNP0501\\1", PortKind::kUart, "", "", ""},
      {u"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_VID&0001005d_PID&223b",
       u"BTHENUM\\{00001101}\\7&2A&0&000000000000_00000000", PortKind::kOther, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.instance_id.begin(), c.instance_id.end()));
    ScannedPort port;
    apply_device_ids(c.hardware_id, c.instance_id, port);
    EXPECT_EQ(port.kind, c.kind);
    EXPECT_EQ(port.vid + ":" + port.pid + ":" + port.serial, c.vid + ":" + c.pid + ":" + c.serial);
  }
}

TEST(MergeFoundPorts, AddsPortsClassDevicesNotListedButNoParallelPortNorNamelessDevice) {
  const auto found = [](const char16_t* id, const char16_t* name) {
    return FoundPort{id, {name, u"USB Serial Port"}};
  };
  const std::vector<ScannedPort> ports = merge_found_ports(
      {found(u"USB\\VID_0403&PID_6001\\A1", u"COM3"), found(u"BTHENUM\\X\\1", u"")},
      {found(u"USB\\VID_0403&PID_6001\\A1", u"COM3"), found(u"ROOT\\PORTS\\0000", u"COM9"),
       found(u"ACPI\\PNP0401\\1", u"LPT1"), found(u"ROOT\\PORTS\\0001", u"")});
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].name, u"COM3");
  EXPECT_EQ(ports[1].name, u"COM9");
}

TEST(ProblemCode, IsReadFromEitherIntegerType) {
  EXPECT_EQ(problem_code_from(DEVPROP_TYPE_INT32, 43), 43u);
  EXPECT_EQ(problem_code_from(DEVPROP_TYPE_UINT32, 22), 22u);
  EXPECT_EQ(problem_code_from(DEVPROP_TYPE_STRING, 43), 0u);
}

TEST(Win32PortScanner, ListsWhatTheSystemReportsWithoutFailing) {
  // Wine lists no serial-port devices; on Windows this lists the machine's ports. Either way
  // every entry fits the port box.
  Win32PortScanner scanner;
  for (const ScannedPort& port : scanner.present_ports()) {
    EXPECT_LE(format_port_entry(port).size(), kPortEntryMax);
  }
}

}  // namespace
}  // namespace quintrel

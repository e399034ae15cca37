// The Windows serial port's open path and the multimedia clock. The byte path is exercised
// against the simulated device by the program's test under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "link/clock.h"
#include "link/port_list.h"
#include "link/win32_clock.h"
#include "link/win32_serial_device.h"

namespace quintrel {
namespace {

TEST(Win32SerialPort, DevicePathIsTheNamespacePrefixAndTheNameAsGiven) {
  EXPECT_EQ(win32_device_path(u"COM3"), u"\\\\.\\COM3");
  EXPECT_EQ(win32_device_path(u"COM10"), u"\\\\.\\COM10");
  EXPECT_EQ(win32_device_path(u"COM3 "), u"\\\\.\\COM3 ");
  EXPECT_EQ(win32_device_path(u""), u"\\\\.\\");
}

TEST(Win32SerialPort, APortThatDoesNotExistIsNotOpenedAndSaysWhy) {
  Win32SerialBackend backend;
  for (const char16_t* name : {u"COM250", u"", u"NOPORT"}) {
    SCOPED_TRACE(testing::Message() << "name length " << std::u16string(name).size());
    EXPECT_EQ(backend.open_exclusive(name), nullptr);
    EXPECT_FALSE(backend.last_open_failure().empty());
  }
}

TEST(Win32SerialPort, OpenFailuresAreNamedInWordsAUserCanActOn) {
  EXPECT_NE(describe_open_error(ERROR_FILE_NOT_FOUND).find("no such port"), std::string::npos);
  EXPECT_NE(describe_open_error(ERROR_ACCESS_DENIED).find("busy"), std::string::npos);
  EXPECT_NE(describe_open_error(ERROR_SHARING_VIOLATION).find("busy"), std::string::npos);
  EXPECT_EQ(describe_open_error(1234), "Windows error 1234");
  EXPECT_NE(describe_open_error(ERROR_GEN_FAILURE).find("unplug it and plug it in again"),
            std::string::npos);
  EXPECT_NE(describe_port_problem(43).find("problem code 43): unplug the adapter"),
            std::string::npos);
}

TEST(Win32SerialPort, APortNotFoundIsFollowedByThePortsPresent) {
  class OnePort final : public PortScanner {
    std::vector<ScannedPort> present_ports() override { return {{u"COM7", u"USB Serial"}}; }
  } scanner;
  install_port_scanner(&scanner);
  Win32SerialBackend backend;
  EXPECT_EQ(backend.open_exclusive(u"COM249"), nullptr);
  EXPECT_EQ(backend.last_open_failure(),
            describe_open_error(ERROR_FILE_NOT_FOUND) + "; ports present: COM7(USB Serial)");
  install_port_scanner(nullptr);
}

TEST(Win32Clock, TakesTheMultimediaTimerFromSystem32AndCountsMilliseconds) {
  EXPECT_TRUE(multimedia_timer_loaded());
  const FineTimerResolution fine;
  EXPECT_TRUE(fine.active());
  Clock& clock = system_clock();
  const std::uint32_t before = clock.now_ms();
  clock.sleep_ms(20);
  const std::uint32_t elapsed = clock.now_ms() - before;
  EXPECT_GE(elapsed, 19u);
  EXPECT_LT(elapsed, 500u);
}

}  // namespace
}  // namespace quintrel

// The Windows serial port's open path and the multimedia clock. The byte path is exercised
// against the simulated device by the program's test under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/system_clock.h"
#include "platform/windows/win32_clock.h"
#include "platform/windows/win32_serial_port.h"

namespace quintrel {
namespace {

TEST(Win32SerialPort, DevicePathIsTheNamespacePrefixAndTheNameAsGiven) {
  EXPECT_EQ(win32_port_path(u"COM3"), u"\\\\.\\COM3");
  EXPECT_EQ(win32_port_path(u"COM10"), u"\\\\.\\COM10");
  EXPECT_EQ(win32_port_path(u"COM3 "), u"\\\\.\\COM3 ");
  EXPECT_EQ(win32_port_path(u""), u"\\\\.\\");
}

TEST(Win32SerialPort, APortThatDoesNotExistIsNotOpenedAndSaysWhy) {
  Win32SerialBackend backend;
  for (const char16_t* name : {u"COM250", u"", u"NOPORT"}) {
    SCOPED_TRACE(testing::Message() << "name length " << std::u16string(name).size());
    const OpenedPort opened = backend.open_exclusive(name);
    EXPECT_EQ(opened.port, nullptr);
    EXPECT_FALSE(opened.reason.empty());
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
  Win32SerialBackend backend(&scanner);
  const OpenedPort opened = backend.open_exclusive(u"COM249");
  EXPECT_EQ(opened.port, nullptr);
  EXPECT_EQ(opened.reason,
            describe_open_error(ERROR_FILE_NOT_FOUND) + "; ports present: COM7(USB Serial)");
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

// Opens the port as another program would, leaves the given settings in it (if any) and reads
// what the driver then holds; BaudRate 0 when the port cannot be opened.
DCB line_held(const std::u16string& path, DCB* leave = nullptr) {
  const HANDLE handle =
      CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE, 0,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  DCB held{};
  held.DCBlength = sizeof(held);
  if (handle != INVALID_HANDLE_VALUE) {
    if (leave == nullptr || SetCommState(handle, leave)) {
      GetCommState(handle, &held);
    }
    CloseHandle(handle);
  }
  return held;
}

// A program that used hardware flow control leaves it in the driver: with CTS not wired, every
// command would be held back. Run by program-test, with QUINTREL_TEST_PORT naming a port with a
// pseudo-terminal behind it, where Wine keeps fOutxCtsFlow as the tty's CRTSCTS.
TEST(Win32SerialPortOnPty, OpenTurnsOffTheHandshakeAnotherProgramLeft) {
  const char* name = std::getenv("QUINTREL_TEST_PORT");
  ASSERT_NE(name, nullptr);
  const std::u16string port(name, name + std::strlen(name));
  DCB left = line_held(win32_port_path(port));
  left.fOutxCtsFlow = TRUE;
  left.fRtsControl = RTS_CONTROL_HANDSHAKE;
  ASSERT_TRUE(line_held(win32_port_path(port), &left).fOutxCtsFlow);
  {
    Win32SerialBackend backend;
    const std::unique_ptr<SerialPort> device = backend.open_exclusive(port).port;
    ASSERT_TRUE(device && device->read_line_settings() && device->write_line_settings() &&
                device->set_short_timeouts());
  }
  const DCB after = line_held(win32_port_path(port));
  EXPECT_FALSE(after.fOutxCtsFlow);
  EXPECT_NE(after.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
}

}  // namespace
}  // namespace quintrel

// The Linux serial port over a real pseudo-terminal. These tests touch real time, with generous
// bounds.
#include "platform/linux/linux_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <vector>

namespace quintrel {
namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double cpu_ms() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The far end of the line: the pty's master side.
class PtyPair {
 public:
  PtyPair() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
      path = ptsname(master);
    }
  }
  ~PtyPair() { close_master(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  void close_master() {
    if (master >= 0) {
      ::close(master);
      master = -1;
    }
  }

  // Reads what has arrived on the master side, waiting up to timeout_ms for want bytes.
  std::vector<std::uint8_t> take(std::size_t want, int timeout_ms) {
    std::vector<std::uint8_t> got;
    const auto start = Clock::now();
    while (got.size() < want && ms_since(start) < timeout_ms) {
      pollfd entry{master, POLLIN, 0};
      if (poll(&entry, 1, 10) > 0) {
        std::uint8_t chunk[512];
        const ssize_t n = ::read(master, chunk, sizeof chunk);
        if (n > 0) {
          got.insert(got.end(), chunk, chunk + n);
        }
      }
    }
    return got;
  }

  int master = -1;
  std::string path;
};

std::u16string as_u16(const std::string& text) {
  return {text.begin(), text.end()};
}

class LinuxSerialPortTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty.path.empty()) << "no pseudo-terminal";
    OpenedPort opened = backend.open_exclusive(as_u16(pty.path));
    port = std::move(opened.port);
    ASSERT_NE(port, nullptr) << opened.reason;
    ASSERT_TRUE(port->read_line_settings());
    ASSERT_TRUE(port->write_line_settings());
    ASSERT_TRUE(port->set_short_timeouts());
    port->raise_dtr();  // fails on a pty; must not matter
    port->raise_rts();
  }

  PtyPair pty;
  LinuxSerialBackend backend;
  std::unique_ptr<SerialPort> port;
};

TEST_F(LinuxSerialPortTest, LineIsRaw38400With8DataBits) {
  termios held{};
  ASSERT_EQ(tcgetattr(pty.master, &held), 0);  // a pty's master reports its slave's settings
  EXPECT_EQ(cfgetospeed(&held), B38400);
  EXPECT_EQ(held.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(held.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(held.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(held.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(held.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(held.c_oflag & OPOST, 0u);
  EXPECT_EQ(held.c_cc[VMIN], 0);
  EXPECT_EQ(held.c_cc[VTIME], 0);
}

TEST_F(LinuxSerialPortTest, EveryByteValuePassesUnchangedBothWays) {
  std::vector<std::uint8_t> all(256);
  for (int value = 0; value < 256; ++value) {
    all[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(value);
  }
  const WriteOutcome outcome = port->write(all);
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.written, all.size());
  EXPECT_EQ(pty.take(all.size(), 2000), all);

  ASSERT_EQ(::write(pty.master, all.data(), all.size()), 256);
  std::vector<std::uint8_t> received;
  const auto start = Clock::now();
  std::uint8_t byte = 0;
  while (received.size() < all.size() && ms_since(start) < 2000) {
    if (port->read_byte(byte)) {
      received.push_back(byte);
    }
  }
  EXPECT_EQ(received, all);
}

constexpr int kIdleReads = 100;

// kIdleReads reads that get no byte: each waits about 2 ms without spinning. Returns their time.
double expect_idle_reads_wait(SerialPort& port) {
  std::uint8_t byte = 0;
  const double cpu_start = cpu_ms();
  const auto start = Clock::now();
  for (int i = 0; i < kIdleReads; ++i) {
    EXPECT_FALSE(port.read_byte(byte));
  }
  const double elapsed = ms_since(start);
  EXPECT_GE(elapsed, kIdleReads * 1.9);
  EXPECT_LT(cpu_ms() - cpu_start, elapsed * 0.25);
  return elapsed;
}

TEST_F(LinuxSerialPortTest, IdleReadWaitsAboutTwoMillisecondsWithoutSpinning) {
  EXPECT_LT(expect_idle_reads_wait(*port), kIdleReads * 10.0);
  EXPECT_FALSE(port->gone());  // silent, not gone
}

TEST_F(LinuxSerialPortTest, WaitingReadReturnsAsSoonAsAByteArrives) {
  std::uint8_t byte = 0;
  ASSERT_EQ(::write(pty.master, "\x5A", 1), 1);
  const auto start = Clock::now();
  bool got = false;
  while (!got && ms_since(start) < 1000) {
    got = port->read_byte(byte);
  }
  EXPECT_TRUE(got);
  EXPECT_EQ(byte, 0x5A);
  EXPECT_LT(ms_since(start), 50.0);
}

TEST_F(LinuxSerialPortTest, PurgeDiscardsWhatWaits) {
  ASSERT_EQ(::write(pty.master, "abc", 3), 3);
  pty.take(0, 20);  // let the bytes cross the pty
  port->purge();
  std::uint8_t byte = 0;
  for (int i = 0; i < 10; ++i) {
    EXPECT_FALSE(port->read_byte(byte));
  }
}

TEST_F(LinuxSerialPortTest, HangUpIsGoneAndReadsStillWait) {
  pty.close_master();  // the adapter is unplugged
  expect_idle_reads_wait(*port);
  EXPECT_TRUE(port->gone());
  const std::uint8_t frame[] = {0x02, 0x61, 0x03, 0x62};
  EXPECT_FALSE(port->write(frame).ok);
  EXPECT_FALSE(port->set_short_timeouts()) << "a hung-up port refuses settings";
}

TEST_F(LinuxSerialPortTest, SecondOpenOfTheSamePortIsRefusedAsBusy) {
  // flock holds against root too, where TIOCEXCL does not.
  const OpenedPort refused = backend.open_exclusive(as_u16(pty.path));
  EXPECT_EQ(refused.port, nullptr);
  // Who holds it, as far as /proc shows, follows (tested on a fake /proc tree).
  EXPECT_TRUE(refused.reason.starts_with(pty.path + ": busy: ")) << refused.reason;
  port.reset();
  const OpenedPort reopened = backend.open_exclusive(as_u16(pty.path));
  EXPECT_NE(reopened.port, nullptr);
  EXPECT_EQ(reopened.reason, "");
}

TEST(LinuxSerialBackend, OpenFailuresCarryTheirReason) {
  LinuxSerialBackend backend;
  const OpenedPort missing = backend.open_exclusive(u"/dev/quintrel-no-such-port");
  EXPECT_EQ(missing.port, nullptr);
  EXPECT_EQ(missing.failure, OpenFailure::kMissing);
  EXPECT_EQ(missing.reason,
            "/dev/quintrel-no-such-port: no such device: the port name is wrong or the adapter "
            "is unplugged");
  // Not a tty: it opens, and the settings step refuses it.
  std::unique_ptr<SerialPort> not_a_tty = backend.open_exclusive(u"/dev/null").port;
  ASSERT_NE(not_a_tty, nullptr);
  EXPECT_FALSE(not_a_tty->read_line_settings());
}

TEST(DescribeOpenError, ActionableWordsForTheCommonCauses) {
  EXPECT_EQ(describe_open_error(EACCES),
            "permission denied: the user is not in the 'dialout' group "
            "(sudo usermod -aG dialout $USER, then log in again)");
  EXPECT_EQ(describe_open_error(EPERM), describe_open_error(EACCES));
  EXPECT_EQ(describe_open_error(EBUSY), "busy: another program holds the port");
  EXPECT_EQ(describe_open_error(EWOULDBLOCK), describe_open_error(EBUSY));
  for (const int error : {ENOENT, ENODEV, ENXIO}) {
    EXPECT_EQ(describe_open_error(error),
              "no such device: the port name is wrong or the adapter is unplugged");
  }
  EXPECT_EQ(describe_open_error(EISDIR), "Is a directory");
}

}  // namespace
}  // namespace quintrel

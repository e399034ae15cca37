#include "platform/linux/linux_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "platform/linux/linux_open_diagnosis.h"
#include "platform/linux/linux_port_name.h"

namespace quintrel {

namespace {

// What read and write give once the device behind the descriptor is gone: EIO after a hang-up or
// on a pty whose master closed, ENXIO/ENODEV for a removed USB adapter.
bool is_gone_error(int error) {
  return error == EIO || error == ENXIO || error == ENODEV;
}

// The device numbers of pseudo-terminals' terminal sides (/dev/pts/N): UNIX98_PTY_SLAVE_MAJOR
// and the seven numbers the kernel reserves after it.
constexpr unsigned int kFirstPtyMajor = 136;
constexpr unsigned int kPtyMajorCount = 8;

bool is_pty_terminal(dev_t device) {
  const unsigned int number = major(device);
  return number >= kFirstPtyMajor && number < kFirstPtyMajor + kPtyMajorCount;
}

bool is_pty_fd(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && is_pty_terminal(info.st_rdev);
}

// Why the opened fd may not be used: a pseudo-terminal that belongs to another user, who made
// it and may have put a link to it where ours was (a stale link after a restart, a planted one
// in a directory others may write), to play our device. Empty for any other device.
std::string foreign_pty_reason(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || !is_pty_terminal(info.st_rdev) ||
      info.st_uid == ::geteuid()) {
    return {};
  }
  return "a pseudo-terminal of another user (uid " + std::to_string(info.st_uid) +
         "), who may play the device: use a pseudo-terminal of your own (start quintrel-sim "
         "yourself, with its --link in a directory only you may write)";
}

void pause_read_wait() {
  timespec left{0, kReadWaitMs * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

// Puts the port back as it was found and closes it. The exclusive flag is cleared: on a port
// that another program keeps open it would outlive us and refuse every later open but root's. A
// terminal gets its own settings back, or /dev/tty would be left raw. Closing releases the flock.
// original is null where the settings could not be read (no terminal).
void release_port(int fd, const termios* original) {
  if (original != nullptr) {
    // After what was written has gone out, at the speed it was written with.
    tcsetattr(fd, TCSADRAIN, original);
  }
  ioctl(fd, TIOCNXCL);
  ::close(fd);
}

class LinuxSerialPort final : public SerialPort {
 public:
  LinuxSerialPort(int fd, std::optional<termios> original) : fd_(fd), original_(original) {}
  ~LinuxSerialPort() override { release_port(fd_, original_ ? &*original_ : nullptr); }
  LinuxSerialPort(const LinuxSerialPort&) = delete;
  LinuxSerialPort& operator=(const LinuxSerialPort&) = delete;

  void purge() override { tcflush(fd_, TCIOFLUSH); }
  void discard_input() override { tcflush(fd_, TCIFLUSH); }

  WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    for (;;) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written >= 0) {
        return {true, static_cast<std::size_t>(written)};
      }
      if (errno == EINTR) {
        continue;
      }
      // A full output queue takes nothing for now; the writer pauses and tries again.
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        return {true, 0};
      }
      gone_ = gone_ || is_gone_error(errno);
      return {false, 0};
    }
  }

  bool read_byte(std::uint8_t& byte) override {
    pollfd entry{fd_, POLLIN, 0};
    const int ready = poll(&entry, 1, kReadWaitMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
      return false;  // waited for the whole read time, or a signal ended the wait early
    }
    if (ready > 0) {
      // Bytes that arrived before a hang-up are still read; only then does read say it is over.
      const ssize_t got = ::read(fd_, &byte, 1);
      if (got == 1) {
        return true;
      }
      // The kernel hangs a tty up for good when its adapter is removed or, for the pty a port
      // name can lead to, when the master side closes: read then gives 0 (or EIO) and poll
      // reports POLLHUP. A pty's master sees POLLHUP while no slave is open, but a port is
      // always the slave side, so here it does not come back.
      const bool hung_up = (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
      gone_ = gone_ || (got == 0 && hung_up) || (got < 0 && is_gone_error(errno));
    }
    // poll would return at once from now on, so wait out the read time here: a caller that does
    // not ask gone() still never spins.
    pause_read_wait();
    return false;
  }

  bool gone() const override { return gone_; }

  bool read_line_settings() override { return tcgetattr(fd_, &settings_) == 0; }

  bool write_line_settings() override {
    termios raw = settings_;
    // cfmakeraw clears the translations, echo, signals and the XON/XOFF output control, and sets
    // 8 data bits without parity; the rest of a raw, transparent line is set here.
    cfmakeraw(&raw);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXOFF | IXANY | INPCK | IMAXBEL);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
    // Receiver on; modem-control lines (carrier detect) ignored. HUPCL stays as the port had it,
    // as the Windows program keeps DTR enabled or disabled as the port had it.
    raw.c_cflag |= CLOCAL | CREAD;
    if (cfsetispeed(&raw, B38400) != 0 || cfsetospeed(&raw, B38400) != 0) {
      return false;
    }
    if (tcsetattr(fd_, TCSANOW, &raw) != 0) {
      return false;
    }
    // tcsetattr succeeds when any of the changes took; read back what the driver holds.
    termios held{};
    if (tcgetattr(fd_, &held) != 0) {
      return false;
    }
    settings_ = held;
    return line_is_raw_38400_8n1(held);
  }

  // The idle wait is poll's (kReadWaitMs in read_byte) on a non-blocking descriptor, so a read
  // never blocks whatever the driver makes of VMIN and VTIME; a port that refuses even these
  // settings right after taking the line's is refused all the same.
  bool set_short_timeouts() override {
    settings_.c_cc[VMIN] = 0;
    settings_.c_cc[VTIME] = 0;
    return tcsetattr(fd_, TCSANOW, &settings_) == 0;
  }

  // Both fail on a pseudo-terminal (ENOTTY); Linux has raised the lines at open anyway.
  void raise_dtr() override { raise_line(TIOCM_DTR); }
  void raise_rts() override { raise_line(TIOCM_RTS); }

 private:
  static bool line_is_raw_38400_8n1(const termios& held) {
    constexpr tcflag_t kInputOff =
        IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK;
    constexpr tcflag_t kLocalOff = ECHO | ECHONL | ICANON | ISIG | IEXTEN;
    return cfgetispeed(&held) == B38400 && cfgetospeed(&held) == B38400 &&
           (held.c_cflag & CSIZE) == CS8 && (held.c_cflag & (PARENB | CSTOPB | CRTSCTS)) == 0 &&
           (held.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD) &&
           (held.c_iflag & kInputOff) == 0 && (held.c_oflag & OPOST) == 0 &&
           (held.c_lflag & kLocalOff) == 0;
  }

  void raise_line(int line) { ioctl(fd_, TIOCMBIS, &line); }

  int fd_;
  std::optional<termios> original_;
  termios settings_{};
  bool gone_ = false;
};

}  // namespace

OpenedPort LinuxSerialBackend::open_exclusive(std::u16string_view port_name) {
  const std::string path = linux_port_path(port_name);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    return {nullptr, open_failure_kind(error),
            path + ": " + diagnose_open_failure(path, error, proc_root_, scanner_)};
  }
  // The lock first, so that a port held by another Quintrel is left exactly as it is. Where
  // locks are not supported at all, TIOCEXCL alone guards the port.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    ::close(fd);  // before looking for the holders, so that they are only others
    return {nullptr, OpenFailure::kBusy,
            path + ": " + diagnose_open_failure(path, EWOULDBLOCK, proc_root_, scanner_)};
  }
  if (const std::string planted = foreign_pty_reason(fd); !planted.empty()) {
    ::close(fd);
    return {nullptr, OpenFailure::kOther, path + ": " + planted};
  }
  std::optional<termios> original;
  if (termios found{}; tcgetattr(fd, &found) == 0) {
    original = found;
  }
  // Not a tty (ENOTTY) is left to the settings step, which reports it. From here every path
  // out closes through the device, which clears the flag again. A pty is left without the flag:
  // its other side stays open, so the flag of a program that was killed would outlive it and
  // refuse every later open but root's; the lock keeps our programs apart there.
  if (!is_pty_fd(fd)) {
    ioctl(fd, TIOCEXCL);
  }
  return {std::make_unique<LinuxSerialPort>(fd, original), OpenFailure::kNone, {}};
}

std::string LinuxSerialBackend::other_holders(std::u16string_view port_name) {
  return other_holders_warning(linux_port_path(port_name), proc_root_);
}

std::string describe_open_error(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "permission denied: the user is not in the 'dialout' group "
             "(sudo usermod -aG dialout $USER, then log in again)";
    case EBUSY:
    case EWOULDBLOCK:
      return "busy: another program holds the port";
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "no such device: the port name is wrong or the adapter is unplugged";
    default:
      return std::strerror(error);
  }
}

OpenFailure open_failure_kind(int error) {
  switch (error) {
    case EBUSY:
    case EWOULDBLOCK:
      return OpenFailure::kBusy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return OpenFailure::kMissing;
    default:
      return OpenFailure::kOther;
  }
}

}  // namespace quintrel

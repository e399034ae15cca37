// Why a port cannot be opened, and who else holds one, read from a fake /proc tree.
#include "platform/linux/linux_open_diagnosis.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/linux/linux_serial_port.h"
#include "ports/port_list.h"

namespace quintrel {
namespace {

namespace fs = std::filesystem;

// /proc as the kernel lays it out: PID/comm, PID/fd/N links to what is open, PID/fdinfo/N.
struct FakeProc {
  FakeProc() { fs::create_directories(root); }
  ~FakeProc() { fs::remove_all(root); }

  fs::path process(int pid, const std::string& program,
                   const std::vector<std::string>& files = {}) {
    const fs::path dir = root / std::to_string(pid);
    fs::create_directories(dir / "fdinfo");
    fs::create_directories(dir / "fd");
    std::ofstream(dir / "comm") << program << '\n';
    for (std::size_t fd = 0; fd < files.size(); ++fd) {
      fs::create_symlink(files[fd], dir / "fd" / std::to_string(fd));
    }
    return dir;
  }

  const fs::path root = fs::temp_directory_path() / ("quintrel-proc-" + std::to_string(getpid()));
};

// uucp, not dialout: the group is the port's own (Arch names it uucp).
TEST(OpenDiagnosis, RefusedPermissionNamesTheGroupThatMayOpenThePort) {
  EXPECT_EQ(permission_reason("root", "uucp", 0660),
            "permission denied: the user is not in the 'uucp' group, which may open the port "
            "(sudo usermod -aG uucp $USER, then log in again)");
  EXPECT_EQ(permission_reason("root", "tty", 0620),
            "permission denied: only root may open the port");
}

TEST(OpenDiagnosis, BusyPortNamesItsHoldersOrSaysTheyAreNotVisible) {
  FakeProc proc;
  proc.process(4242, "minicom", {"/dev/null", "/dev/ttyUSB0"});
  proc.process(77, "screen", {"/dev/ttyUSB1", "/dev/ttyUSB0"});
  EXPECT_EQ(diagnose_open_failure("/dev/ttyUSB0", EBUSY, proc.root, nullptr),
            "busy: held by screen (pid 77), minicom (pid 4242)");
  EXPECT_EQ(
      other_holders_warning("/dev/ttyUSB0", proc.root),
      "/dev/ttyUSB0 is also open in screen (pid 77), minicom (pid 4242): replies may be lost");
  EXPECT_EQ(other_holders_warning("/dev/ttyUSB2", proc.root), "");
  // Another user's process: its open files cannot be listed.
  fs::remove(proc.process(1, "init") / "fd");
  std::ofstream(proc.root / "1" / "fd") << "";
  EXPECT_EQ(diagnose_open_failure("/dev/ttyS3", EWOULDBLOCK, proc.root, nullptr),
            "busy: held by a program this user cannot see (another user's: sudo fuser -v "
            "/dev/ttyS3 names it)");
  // Refused by the exclusive flag, which a program that ended may have left on a pty.
  EXPECT_EQ(diagnose_open_failure("/dev/ttyS3", EBUSY, proc.root, nullptr),
            "busy: taken for exclusive use, by a program this user cannot see (another user's: "
            "sudo fuser -v /dev/ttyS3 names it) or left so by one that ended (a pseudo-terminal "
            "keeps it while its far end runs: restart the program that made it, such as "
            "quintrel-sim)");
}

TEST(OpenDiagnosis, AdapterGrabbersAreNamedForUsbPortsThatAreBusyOrGone) {
  FakeProc proc;
  proc.process(812, "ModemManager");
  proc.process(900, "brltty");
  proc.process(901, "brltty");
  class OnePort final : public PortScanner {
    std::vector<ScannedPort> present_ports() override { return {{u"/dev/ttyS4", u"serial"}}; }
  } scanner;
  {
    EXPECT_EQ(
        diagnose_open_failure("/dev/ttyACM0", ENOENT, proc.root, &scanner),
        describe_open_error(ENOENT) +
            "; ModemManager is running, which opens new USB adapters to probe them for a "
            "modem: stop it (sudo systemctl stop ModemManager); brltty is running, which takes "
            "some USB serial adapters for braille displays: remove it (sudo apt remove "
            "brltty), then plug the adapter in again; ports present: /dev/ttyS4(serial)");
  }
  EXPECT_EQ(diagnose_open_failure("/dev/ttyS4", EBUSY, proc.root, nullptr),
            describe_open_error(EBUSY));
}

TEST(OpenDiagnosis, BackendNamesOtherHoldersButNotThePseudoTerminalsFarEnd) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  const std::string pty = ptsname(master);
  const std::string index = pty.substr(pty.rfind('/') + 1);
  FakeProc proc;
  // The simulator holds the terminal side too; a pty master of another index is no far end.
  std::ofstream(proc.process(500, "quintrel-sim", {"/dev/ptmx", pty}) / "fdinfo" / "0")
      << "pos:\t0\ntty-index:\t" << index << '\n';
  std::ofstream(proc.process(501, "minicom", {"/dev/ptmx", pty}) / "fdinfo" / "0")
      << "tty-index:\t" << index << "0\n";
  LinuxSerialBackend backend(nullptr, proc.root);
  const std::u16string name(pty.begin(), pty.end());
  std::unique_ptr<SerialPort> port = backend.open_exclusive(name).port;
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(backend.other_holders(name),
            pty + " is also open in minicom (pid 501): replies may be lost");
  const OpenedPort second = backend.open_exclusive(name);
  EXPECT_EQ(second.port, nullptr);
  EXPECT_EQ(second.failure, OpenFailure::kBusy);
  EXPECT_EQ(second.reason, pty + ": busy: held by minicom (pid 501)");
  port.reset();
  ::close(master);
}

}  // namespace
}  // namespace quintrel

// Opening the port for real: exclusive access, wrong names, devices that are not serial ports,
// and the port named by QUINTREL_PORT. A port that cannot be opened exits 3.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/integration/processes.h"

namespace quintrel::test {
namespace {

TEST(PortAccess, PortHeldByAnotherQuintrelIsBusyUntilReleased) {
  TempDir dir;
  SimProcess sim(dir.path(), {});
  ASSERT_TRUE(sim.started());
  // What a second Quintrel meets: the first one's lock (which holds against root as well).
  const int holder = ::open(sim.port().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);

  const CliRun busy = run_cli({"read", "-p", sim.port()});
  EXPECT_EQ(busy.exit_code, 3);
  EXPECT_EQ(busy.out, "");
  // The holder is named; the simulator, at the line's far end, is not a holder.
  std::string us;
  std::getline(std::ifstream("/proc/self/comm"), us);
  us += " (pid " + std::to_string(getpid()) + ")";
  EXPECT_EQ(busy.err,
            "Communication port can not be opened\n" + sim.port() + ": busy: held by " + us + "\n");

  // Released, but still open as a terminal program holds it, without lock or exclusive mode: a
  // read that succeeds does not look for other holders.
  ASSERT_EQ(flock(holder, LOCK_UN), 0);
  const CliRun next = run_cli({"read", "-p", sim.port()});
  EXPECT_EQ(next.exit_code, 0) << next.err;
  EXPECT_EQ(next.err, "");
  ::close(holder);
}

TEST(PortAccess, MissingDeviceGivesTheMessageAndTheReason) {
  const CliRun read = run_cli({"buzzer-off", "-p", "quintrel-no-such-tty(some adapter)"});
  EXPECT_EQ(read.exit_code, 3);
  // Followed by the ports this machine has.
  EXPECT_TRUE(read.err.starts_with(
      "Communication port can not be opened\n/dev/quintrel-no-such-tty: no such device: the "
      "port name is wrong or the adapter is unplugged; "))
      << read.err;
}

TEST(PortAccess, DeviceThatIsNoSerialPortFailsAtItsSettings) {
  const CliRun read = run_cli({"read", "-p", "/dev/null"});
  EXPECT_EQ(read.exit_code, 3);
  EXPECT_EQ(read.err, "Could not get communication port settings\n");
}

TEST(PortAccess, QuintrelPortIsTheDefaultPortAndMayNotBeEmpty) {
  TempDir dir;
  SimProcess sim(dir.path(), {});
  ASSERT_TRUE(sim.started());
  ASSERT_EQ(setenv("QUINTREL_PORT", sim.port().c_str(), 1), 0);
  const CliRun buzzer = run_cli({"buzzer-off", "--json"});
  EXPECT_EQ(buzzer.exit_code, 0) << buzzer.err;
  EXPECT_EQ(buzzer.out, "{\"port\":\"" + sim.port() + "\",\"ok\":true,\"exit\":0}\n");

  ASSERT_EQ(setenv("QUINTREL_PORT", "", 1), 0);
  const CliRun empty = run_cli({"read"});
  EXPECT_EQ(empty.exit_code, 2);
  EXPECT_EQ(empty.err.substr(0, empty.err.find('\n')),
            "QUINTREL_PORT is empty: set it to a port, or give -p PORT");

  ASSERT_EQ(unsetenv("QUINTREL_PORT"), 0);
  const CliRun unset = run_cli({"read"});
  EXPECT_EQ(unset.exit_code, 2);
  EXPECT_EQ(unset.err.substr(0, unset.err.find('\n')),
            "--port is required (or QUINTREL_PORT in the environment)");
}

}  // namespace
}  // namespace quintrel::test

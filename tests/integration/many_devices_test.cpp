// quintrel-sim playing several devices in one process: each answers on its own time.
#include <gtest/gtest.h>

#include <future>

#include "tests/integration/processes.h"

namespace quintrel::test {
namespace {

TEST(ManyDevices, ALateReplyOnOneDeviceDoesNotDelayAnother) {
  TempDir dir;
  SimProcess sim(dir.path(), {"--count", "2", "--pace", "--fault", "1:late-stx"});
  ASSERT_TRUE(sim.started());
  std::future<CliRun> late = std::async(std::launch::async, [&sim] {
    return run_cli({"read", "-p", sim.port(1)});
  });
  // From here device 1 holds its reply back for 1200 ms.
  ASSERT_TRUE(sim.wait_for_log("#1 reply", 1)) << sim.log();

  const CliRun read = run_cli({"read", "-p", sim.port(2)});
  EXPECT_EQ(read.exit_code, 0) << read.err << sim.log();
  EXPECT_EQ(read.out, "bitrate: 500kbps\nidentifier: 7FF\n");
  EXPECT_LT(read.wall_ms, 900.0);

  const CliRun timed_out = late.get();
  EXPECT_EQ(timed_out.exit_code, 1);
  EXPECT_EQ(timed_out.err, "Response reception timeout\n");
  // Every reply has a line that names its device, number, command and fault.
  EXPECT_NE(sim.log().find("] #1 reply {\"device\":1,\"reply\":1,\"command\":\"ccebr\","
                           "\"fault\":\"late-stx\"}\n"),
            std::string::npos)
      << sim.log();
}

}  // namespace
}  // namespace quintrel::test

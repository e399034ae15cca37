#include "cli/batch/batch_command.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/batch/port_job.h"
#include "cli/batch/probe_command.h"
#include "cli/batch/status_board.h"
#include "cli/batch/step_marks.h"
#include "cli/port_targets.h"
#include "platform/windows/win32_command_line.h"
#include "tests/cli/batch/fake_child_runner.h"
#include "tests/support/fake_link.h"

namespace quintrel::cli {
namespace {

using test::blocks;
using test::exits_after;

CliRequest save_request() {
  CliRequest request;
  request.command = CliCommand::kSave;
  request.bitrate = 0;
  request.identifier = u"7F";
  request.verify = true;
  request.trace = true;
  return request;
}

// The port named in a child's request.
std::string job_port(const std::string& input) {
  return nlohmann::json::parse(input).at("port");
}

TEST(PortBatch, ChildGetsItsWholeRequestOnStandardInputAndNoOptions) {
  const ChildJob job = port_child_job(save_request(), "COM3");
  EXPECT_EQ(job.args, std::vector<std::string>{"port-job"});
  EXPECT_EQ(job.input,
            R"({"command":"save","port":"COM3","bitrate":0,"identifier":"7F","verify":true,)"
            R"("trace":true,"precise_trace":false,"parent_pid":)" +
                std::to_string(this_process_id()) + "}\n");
  const Result<CliRequest> back = port_job_request(job.input);
  ASSERT_TRUE(back) << back.error();
  std::string error;
  EXPECT_TRUE(back->json);  // and the rest as sent:
  EXPECT_EQ(port_job_text(*back, back->port, back->parent_pid), job.input);
  for (const char* refused :
       {"", "[]", R"({"command":"save","port":"COM3"})", R"({"command":"format","port":"COM3"})",
        R"({"command":"read"})", R"({"command":"read","port":7})",
        R"({"command":"save","port":"A","bitrate":9,"identifier":"1"})",
        R"({"command":"save","port":"A","bitrate":-1,"identifier":"1"})",
        R"({"command":"read","port":"A","parent_pid":2147483648})",
        R"({"command":"read","port":"A","parent_pid":1e3})"}) {
    const Result<CliRequest> refusal = port_job_request(refused);
    EXPECT_FALSE(refusal) << refused;
    error = refusal.error();
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(error, R"("parent_pid" must be a whole number from 0 to 2147483647)");
  // As the started program's C runtime splits its command line back into these.
  EXPECT_EQ(windows_command_line({R"(C:\Program Files\q.exe)", "-p", "", "CAN Invalid", R"(a"b\)",
                                  R"(\\host\x" y\")"}),
            R"("C:\Program Files\q.exe" -p "" "CAN Invalid" "a\"b\\" "\\host\x\" y\\\"")");
}

TEST(PortBatch, ResultIsTheChildsObjectOrOneMadeForAChildWithoutResult) {
  const auto result = [](const ChildEnd& end) { return port_result("COM3", end, 10000).dump(); };
  ChildEnd exited =
      exits_after(0, 3, "trace line\n{\"port\":\"COM3\",\"ok\":false,\"exit\":3}\n").end;
  EXPECT_EQ(result(exited), R"({"port":"COM3","ok":false,"exit":3})");
  exited.out = "{\"port\":\"COM3\",\"bitrate\":\"1Mbps\"}";
  exited.exit_code = 0;
  EXPECT_EQ(result(exited), R"({"port":"COM3","bitrate":"1Mbps","ok":true,"exit":0})");

  ChildEnd usage = exits_after(0, 2, "", "Run with --help for more information.\nbad -p\n").end;
  EXPECT_EQ(result(usage), R"({"port":"COM3","ok":false,"exit":2,"error":"bad -p"})");
  ChildEnd stopped;
  stopped.how = ChildEnd::How::kStopped;
  stopped.out = "{\"port\":\"COM3\"";
  EXPECT_EQ(result(stopped),
            R"j({"port":"COM3","ok":false,"exit":1,"error":"no result within 10 s: stopped )j"
            R"j(before its first step"})j");
  ChildEnd crashed;
  crashed.how = ChildEnd::How::kCrashed;
  crashed.detail = "signal 11 (Segmentation fault)";
  EXPECT_EQ(result(crashed),
            R"j({"port":"COM3","ok":false,"exit":1,)j"
            R"j("error":"ended by signal 11 (Segmentation fault) without a result"})j");
}

TEST(PortBatch, JsonObjectPerPortAsEachEndsThenSummaryAndExitFive) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t job, const std::string& input) {
    if (job == 1) {
      return blocks();
    }
    return exits_after(job == 0 ? 500 : 100, 0,
                       "{\"port\":\"" + job_port(input) + "\",\"ok\":true}\n");
  });
  BatchServices services{runner, clock};
  CliRequest request = save_request();
  request.json = true;
  std::ostringstream out, err;

  EXPECT_EQ(run_port_batch(request, {"COM3", "COM4", "COM5"}, services, out, err),
            kExitSomePortFailed);
  EXPECT_EQ(out.str(),
            "{\"port\":\"COM5\",\"ok\":true,\"exit\":0}\n"
            "{\"port\":\"COM3\",\"ok\":true,\"exit\":0}\n"
            "{\"port\":\"COM4\",\"ok\":false,\"exit\":1,\"error\":\"no result within 18.15 s: "
            "stopped before its first step\"}\n");
  EXPECT_EQ(err.str(), "2 of 3 ports succeeded; failed: COM4 (exit 1)\n");
  // Five exchanges of three full reply stages and three pauses each, and the margin.
  EXPECT_EQ(runner.stopped, (std::vector<std::pair<std::size_t, std::uint32_t>>{{1, 18150}}));
}

TEST(PortBatch, WarningsOfTheChildrenComeAgainBeforeTheSummary) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t job, const std::string& input) {
    return exits_after(
        100, 1, R"({"port":")" + job_port(input) + (job == 0 ? R"(","warning":"held"})" : R"("})"));
  });
  BatchServices services{runner, clock};
  CliRequest request;
  request.command = CliCommand::kBuzzerOff;
  std::ostringstream out, err;

  EXPECT_EQ(run_port_batch(request, {"COM3", "COM4"}, services, out, err), kExitSomePortFailed);
  EXPECT_EQ(err.str(),
            "warning: held\n0 of 2 ports succeeded; failed: COM3 (exit 1), COM4 (exit 1)\n");
}

TEST(PortBatch, LinesWithoutJsonAndExitZeroWhenEveryPortSucceeded) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t job, const std::string&) {
    return exits_after(job == 0 ? 200 : 100, 0,
                       R"({"port":"COM)" + std::to_string(job) +
                           R"(","bitrate":"500kbps","bitrate_code":3,"identifier":"7FF"})");
  });
  BatchServices services{runner, clock};
  CliRequest request;
  request.command = CliCommand::kRead;
  std::ostringstream out, err;

  EXPECT_EQ(run_port_batch(request, {"COM0", "COM1"}, services, out, err), 0);
  EXPECT_EQ(out.str(),
            "COM1: bitrate 500kbps, identifier 7FF\nCOM0: bitrate 500kbps, identifier 7FF\n");
  EXPECT_EQ(err.str(), "2 of 2 ports succeeded\n");
}

TEST(PortBatch, PortsFoundWithoutADeviceFailFirstAndEachResultNamesItsPlace) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t, const std::string&) {
    return exits_after(100, 0, R"({"port":"/dev/pts/4","ok":true})");
  });
  BatchServices services{runner, clock};
  CliRequest request;
  request.command = CliCommand::kBuzzerOff;
  BatchContext context;
  context.listed = {ScannedPort(u"/dev/pts/3", u"sim", PortKind::kPty),
                    ScannedPort(u"/dev/pts/4", u"sim", PortKind::kPty)};
  context.listed[0].symlink = "/tmp/st/station-3";
  context.listed[1].by_id = "/dev/serial/by-id/usb-4";
  const ProbeReport silent{context.listed[0],
                           {{"probe", "silent"}, {"reason", "Response reception timeout"}}};
  context.failed = {probe_failure_result(silent)};
  context.skipped = "skipped 1 listed port where no device answered (1 silent)";
  std::ostringstream out, err;

  EXPECT_EQ(run_port_batch(request, {"/dev/pts/4"}, services, out, err, context),
            kExitSomePortFailed);
  EXPECT_EQ(out.str(),
            "/dev/pts/3 (/tmp/st/station-3): failed (exit 1): Response reception timeout\n"
            "/dev/pts/4 (/dev/serial/by-id/usb-4): buzzer off\n");
  EXPECT_EQ(err.str(),
            "1 of 2 ports succeeded; failed: /dev/pts/3 (exit 1)\n" + context.skipped + "\n");
  request.json = true;
  out.str("");
  run_port_batch(request, {"/dev/pts/4"}, services, out, err, context);
  EXPECT_EQ(out.str(),
            R"({"port":"/dev/pts/3","link":"/tmp/st/station-3","ok":false,"exit":1,)"
            R"("error":"Response reception timeout","probe":"silent"})"
            "\n"
            R"({"port":"/dev/pts/4","by_id":"/dev/serial/by-id/usb-4","ok":true,"exit":0})"
            "\n");
}

class OnePortPresent final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override { return {{u"/dev/ttyS0", u"serial"}}; }
};

TEST(PortBatch, ManyMissingPortsNameThePortsPresentOnceAfterTheSummary) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t, const std::string& input) {
    return exits_after(10, 3,
                       R"({"port":")" + job_port(input) +
                           R"j(","reason":"no such device; ports present: /dev/ttyS0(serial)"})j");
  });
  OnePortPresent scanner;
  BatchServices services{runner, clock, false, {}, &scanner};
  CliRequest request;
  request.command = CliCommand::kRead;
  std::vector<std::string> ports;
  for (int i = 0; i < 25; ++i) {
    ports.push_back("bad" + std::to_string(i));
  }
  std::ostringstream out, err;

  EXPECT_EQ(run_port_batch(request, ports, services, out, err), kExitSomePortFailed);
  EXPECT_TRUE(out.str().starts_with("bad0: failed (exit 3): no such device\nbad1:")) << out.str();
  EXPECT_EQ(out.str().find("present"), std::string::npos);
  EXPECT_TRUE(
      err.str().ends_with("bad19 (exit 3) and 5 more, each on its line\n"
                          "ports present: /dev/ttyS0(serial)\n"))
      << err.str();
}

TEST(PortTargets, EachDeviceOnceAndSeveralSelectorsMakeAMultiPortRun) {
  const std::vector<ScannedPort> listed = {ScannedPort(u"/dev/ttyS0", u"serial", PortKind::kUart),
                                           ScannedPort(u"COM1", u"", PortKind::kLegacy)};
  const PortIdentity identity = [](const std::string& name) {
    return name == "COM1" ? std::string("/dev/ttyS0") : name;
  };
  const Result<PortTargets> one = resolve_port_targets({"COM1"}, listed, identity);
  ASSERT_TRUE(one) << one.error();
  EXPECT_FALSE(one->batch);
  ASSERT_EQ(one->ports.size(), 1u);
  EXPECT_EQ(one->ports[0].kind, PortKind::kLegacy);

  const Result<PortTargets> twice =
      resolve_port_targets({"/dev/ttyS0(serial)", "COM1"}, listed, identity);
  ASSERT_TRUE(twice) << twice.error();
  EXPECT_TRUE(twice->batch);
  ASSERT_EQ(twice->ports.size(), 1u);
  EXPECT_EQ(twice->ports[0].description, u"serial");

  const Result<PortTargets> bad = resolve_port_targets({"COM1", "usb:0403"}, listed, identity);
  EXPECT_FALSE(bad);
  EXPECT_FALSE(bad.error().empty());
}

TEST(StatusBoard, LiveBoardRedrawsEveryLineInPlace) {
  std::ostringstream out;
  StatusBoard board(out, {"COM3", "COM4"}, true);
  board.set_running(0, 1340);
  board.refresh();
  board.show_result(1, "COM4: buzzer off");
  EXPECT_EQ(out.str(),
            "\r\x1b[2KCOM3: running 1.3 s\n\r\x1b[2KCOM4: waiting\n"
            "\x1b[2A\r\x1b[2KCOM3: running 1.3 s\n\r\x1b[2KCOM4: buzzer off\n");
}

TEST(PortBatch, AChildsStepMarksKeepAVanishedPortVisibleToItsLink) {
  quintrel::test::VirtualClock clock;
  quintrel::test::FakeBackend backend;
  auto device = std::make_unique<quintrel::test::FakeSerialPort>(clock);
  device->gone_at = 0;
  backend.next_port = std::move(device);
  std::ostringstream marks;
  StepMarkingBackend marking(backend, marks);
  EXPECT_TRUE(marking.open_exclusive(u"COM3").port->gone());
}

}  // namespace
}  // namespace quintrel::cli

#include "cli/batch/probe_job.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/batch/probe_command.h"
#include "tests/cli/batch/fake_child_runner.h"
#include "tests/support/hex.h"
#include "tests/support/scripted_responder.h"

namespace quintrel::cli {
namespace {

class PortProbeTest : public testing::Test {
 protected:
  // The device answers the bitrate question with these bytes (nullopt: not at all).
  std::string probe(std::optional<std::vector<std::uint8_t>> reply) {
    auto device = std::make_unique<quintrel::test::FakeSerialPort>(env.clock);
    quintrel::test::ScriptedResponder responder(*device, env.clock,
                                                [&](const std::string&) { return reply; });
    env.backend.next_port = std::move(device);
    std::ostringstream out;
    exit_code = run_probe_job("COM3(USB Serial Port)", services, out);
    EXPECT_EQ(responder.commands, std::vector<std::string>{"ccebr"});
    return out.str();
  }

  quintrel::test::LinkTestEnvironment env;
  CliServices services{env.backend, nullptr, env.clock};
  int exit_code = -1;
};

TEST_F(PortProbeTest, AnsweredBitrateIsADevice) {
  EXPECT_EQ(probe(quintrel::test::reply_frame("4 kbps")),
            "{\"probe\":\"device\",\"bitrate\":\"1Mbps\",\"bitrate_code\":4}\n");
  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(env.backend.opened_names, std::vector<std::u16string>{u"COM3"});
}

TEST_F(PortProbeTest, NoReplyIsSilentAndABadReplyGarbled) {
  EXPECT_EQ(probe(std::nullopt),
            "{\"probe\":\"silent\",\"reason\":\"Response reception timeout\"}\n");
  EXPECT_EQ(exit_code, 1);
  EXPECT_EQ(probe(quintrel::test::bytes_from_hex("02 33 03 31")),
            "{\"probe\":\"garbled\",\"reason\":\"Response BCC error\"}\n");
  EXPECT_EQ(probe(quintrel::test::reply_frame("")),
            "{\"probe\":\"garbled\",\"reason\":\"Empty response\"}\n");
}

TEST_F(PortProbeTest, APortUnpluggedWhileAskedIsMissingNotGarbled) {
  auto device = std::make_unique<quintrel::test::FakeSerialPort>(env.clock);
  device->gone_at = 0;
  env.backend.next_port = std::move(device);
  std::ostringstream out;
  EXPECT_EQ(run_probe_job("COM3", services, out), 1);
  EXPECT_EQ(out.str().rfind(R"({"probe":"missing","reason":"Communication port went away)", 0), 0u)
      << out.str();
}

TEST_F(PortProbeTest, OpenFailuresSayWhy) {
  env.backend.failure = "busy: another program holds the port";
  env.backend.failure_kind = OpenFailure::kBusy;
  std::ostringstream out;
  EXPECT_EQ(run_probe_job("COM3", services, out), 1);
  EXPECT_EQ(out.str(),
            "{\"probe\":\"busy\",\"reason\":\"Communication port can not be opened: busy: another "
            "program holds the port\"}\n");
}

TEST(ProbeReport, MissingFixedNamesAreLeftOutOtherMissingPortsAreUnavailable) {
  const auto missing = test::exits_after(0, 1, "{\"probe\":\"missing\",\"reason\":\"gone\"}\n").end;
  ScannedPort legacy(u"COM7", u"", PortKind::kLegacy);
  EXPECT_FALSE(probe_report(legacy, missing, 5000));

  ScannedPort usb(u"/dev/ttyUSB0", u"FT232R USB UART", PortKind::kUsb);
  usb.vid = "0403";
  const std::optional<ProbeReport> gone = probe_report(usb, missing, 5000);
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->result.dump(),
            R"({"port":"/dev/ttyUSB0","description":"FT232R USB UART","kind":"usb","vid":"0403",)"
            R"("probe":"unavailable","reason":"gone"})");
  EXPECT_EQ(probe_line(*gone), "/dev/ttyUSB0(FT232R USB UART): unavailable: gone");
}

TEST(ProbeReport, SelectedPortsWithoutADeviceFailOthersOnlyWhenBusyOrGarbled) {
  const struct {
    const char* probe;
    bool failed_selected;
    bool failed_listed;
  } cases[] = {
      {"device", false, false}, {"silent", true, false},      {"garbled", true, true},
      {"busy", true, true},     {"unavailable", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.probe);
    const ProbeReport probed{ScannedPort(u"COM3", u""), {{"probe", c.probe}}};
    EXPECT_EQ(failed_without_device(probed, true), c.failed_selected);
    EXPECT_EQ(failed_without_device(probed, false), c.failed_listed);
  }
  const ProbeReport busy{ScannedPort(u"COM3", u""), {{"probe", "busy"}, {"reason", "held"}}};
  EXPECT_EQ(probe_failure_result(busy).dump(),
            R"({"port":"COM3","ok":false,"exit":3,"error":"held","probe":"busy"})");
}

}  // namespace
}  // namespace quintrel::cli

#include "ui/cli/cli_commands.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/support/fake_link.h"
#include "tests/support/scripted_responder.h"

namespace quintrel::cli {
namespace {

// The console is one stream here, so the order of results and messages shows.
class CliCommandsTest : public testing::Test {
 protected:
  CliCommandsTest() {
    auto device = std::make_unique<test::FakeSerialDevice>(env.clock);
    responder = std::make_unique<test::ScriptedResponder>(
        *device, env.clock, [this](const std::string& command) { return answer(command); });
    backend.next_device = std::move(device);
  }

  std::optional<std::vector<std::uint8_t>> answer(const std::string& command) {
    const auto it = replies.find(command);
    if (it == replies.end()) {
      return test::reply_frame("OK");
    }
    if (it->second == "<silent>") {
      return std::nullopt;
    }
    return test::reply_frame(it->second);
  }

  int run(const CliRequest& request) {
    return run_cli_command(request, presenter, console, console);
  }

  static CliRequest request(CliCommand command) {
    CliRequest made;
    made.command = command;
    made.port = "COM3(USB Serial Port)";
    return made;
  }

  static CliRequest json_read() {
    CliRequest made = request(CliCommand::kRead);
    made.json = true;
    return made;
  }

  static CliRequest save(BitrateCode bitrate, std::u16string identifier, bool verify = false) {
    CliRequest made = request(CliCommand::kSave);
    made.bitrate = bitrate;
    made.identifier = std::move(identifier);
    made.verify = verify;
    return made;
  }

  test::LinkTestEnvironment env;  // virtual clock; closes the link afterwards
  std::ostringstream console;
  ConsolePresenter presenter{console};
  test::FakeBackend backend;
  std::unique_ptr<test::ScriptedResponder> responder;
  std::map<std::string, std::string> replies = {{"ccebr", "3"}, {"ccidr", "7FF"}};
  ServicesScope services{{.serial_backend = &backend, .message_presenter = &presenter}};
};

TEST_F(CliCommandsTest, ReadPrintsListTextAndHexIdentifier) {
  EXPECT_EQ(run(request(CliCommand::kRead)), kExitSuccess);
  EXPECT_EQ(console.str(), "bitrate: 500kbps\nidentifier: 7FF\n");
  EXPECT_EQ(backend.opened_names, std::vector<std::u16string>{u"COM3"});
  EXPECT_EQ(responder->commands, (std::vector<std::string>{"ccebr", "ccidr"}));
}

TEST_F(CliCommandsTest, ReadAsJson) {
  replies = {{"ccebr", "1"}, {"ccidr", "0x1a"}};
  CliRequest odd_port = json_read();
  odd_port.port = "/dev/tty\"x\"";
  EXPECT_EQ(run(odd_port), kExitSuccess);
  EXPECT_EQ(console.str(),
            "{\"port\":\"/dev/tty\\\"x\\\"\",\"bitrate\":\"125kbps\",\"bitrate_code\":1,"
            "\"identifier\":\"1A\"}\n");
}

TEST_F(CliCommandsTest, IdentifierFailureComesAfterTheBitrate) {
  replies["ccidr"] = "<silent>";
  EXPECT_EQ(run(request(CliCommand::kRead)), kExitFailure);
  EXPECT_EQ(console.str(), "bitrate: 500kbps\nResponse reception timeout\n");

  console.str("");
  auto device = std::make_unique<test::FakeSerialDevice>(env.clock);
  test::ScriptedResponder again(*device, env.clock,
                                [this](const std::string& c) { return answer(c); });
  backend.next_device = std::move(device);
  EXPECT_EQ(run(json_read()), kExitFailure);
  EXPECT_EQ(console.str(),
            "Response reception timeout\n"
            "{\"port\":\"COM3(USB Serial Port)\",\"bitrate\":\"500kbps\",\"bitrate_code\":3}\n");
}

TEST_F(CliCommandsTest, EmptyPayloadIsReportedAsEmptyResponse) {
  replies["ccebr"] = "";
  EXPECT_EQ(run(request(CliCommand::kRead)), kExitFailure);
  EXPECT_EQ(console.str(), "Empty response\n");
  EXPECT_EQ(responder->commands, std::vector<std::string>{"ccebr"});
}

TEST_F(CliCommandsTest, SaveSendsBitrateIdentifierAndCommit) {
  EXPECT_EQ(run(save(4, u"7F")), kExitSuccess);
  EXPECT_EQ(console.str(), "Saved !!!\n");
  EXPECT_EQ(responder->commands, (std::vector<std::string>{"cceb 4", "ccid 7F", "ppw3916"}));
}

TEST_F(CliCommandsTest, SaveStopsSilentlyOnAnEmptyCommitReply) {
  replies["ppw3916"] = "";
  EXPECT_EQ(run(save(4, u"7F")), kExitFailure);
  EXPECT_EQ(console.str(), "Empty response\n");
}

TEST_F(CliCommandsTest, VerifyReadsBackAndSaysWhatDiffers) {
  replies = {{"ccebr", "4"}, {"ccidr", "7E"}};
  EXPECT_EQ(run(save(4, u"7F", true)), kExitFailure);
  EXPECT_EQ(console.str(), "Verify failed: the device holds identifier 7E, written 7F\n");
  EXPECT_EQ(responder->commands,
            (std::vector<std::string>{"cceb 4", "ccid 7F", "ppw3916", "ccebr", "ccidr"}));
}

TEST_F(CliCommandsTest, VerifyPassesWhenTheDeviceHoldsTheValues) {
  replies = {{"ccebr", "2"}, {"ccidr", "0"}};
  EXPECT_EQ(run(save(2, u"0", true)), kExitSuccess);
  EXPECT_EQ(console.str(), "Saved !!!\n");
}

TEST_F(CliCommandsTest, BuzzerOffIsQuietOnSuccess) {
  EXPECT_EQ(run(request(CliCommand::kBuzzerOff)), kExitSuccess);
  EXPECT_EQ(console.str(), "");
  EXPECT_EQ(responder->commands, std::vector<std::string>{"bzoff"});
}

class RefusingBackend final : public SerialBackend {
 public:
  std::unique_ptr<SerialDevice> open_exclusive(std::u16string_view) override { return nullptr; }
  std::string last_open_failure() override { return "/dev/ttyS2: busy: another program"; }
};

TEST_F(CliCommandsTest, FailedOpenEndsTheCommandWithMessageAndReason) {
  RefusingBackend refusing;
  install_serial_backend(&refusing);
  EXPECT_EQ(run(save(1, u"1")), kExitFailure);
  EXPECT_EQ(console.str(),
            "Communication port can not be opened\n/dev/ttyS2: busy: another program\n");
}

}  // namespace
}  // namespace quintrel::cli

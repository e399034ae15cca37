#include "cli/cli_commands.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/port_json.h"
#include "tests/support/fake_link.h"
#include "tests/support/scripted_responder.h"

namespace quintrel::cli {
namespace {

// The console is one stream here, so the order of results and messages shows.
class CliCommandsTest : public testing::Test {
 protected:
  CliCommandsTest() { replug(); }

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
    return run_cli_command(request, services, console, console);
  }

  static CliRequest request(CliCommand command) {
    CliRequest made;
    made.command = command;
    made.port = "COM3(USB Serial Port)";
    return made;
  }

  static CliRequest json_read() { return as_json(request(CliCommand::kRead)); }

  static CliRequest as_json(CliRequest made) {
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

  // A fresh device for the next run, and an empty console.
  void replug() {
    auto made = std::make_unique<test::FakeSerialPort>(env.clock);
    device = made.get();
    responder = std::make_unique<test::ScriptedResponder>(
        *made, env.clock, [this](const std::string& command) { return answer(command); });
    env.backend.next_port = std::move(made);
    console.str("");
  }

  test::LinkTestEnvironment env;  // virtual clock and fake backend
  std::ostringstream console;
  test::FakeSerialPort* device = nullptr;  // the one the backend hands out next
  std::unique_ptr<test::ScriptedResponder> responder;
  std::map<std::string, std::string> replies = {{"ccebr", "3"}, {"ccidr", "7FF"}};
  CliServices services{env.backend, nullptr, env.clock};
};

TEST_F(CliCommandsTest, ReadPrintsListTextAndHexIdentifier) {
  EXPECT_EQ(run(request(CliCommand::kRead)), kExitSuccess);
  EXPECT_EQ(console.str(), "bitrate: 500kbps\nidentifier: 7FF\n");
  EXPECT_EQ(env.backend.opened_names, std::vector<std::u16string>{u"COM3"});
  EXPECT_EQ(responder->commands, (std::vector<std::string>{"ccebr", "ccidr"}));
}

TEST_F(CliCommandsTest, ReadAsJson) {
  replies = {{"ccebr", "1"}, {"ccidr", "0x1a"}};
  CliRequest odd_port = json_read();
  odd_port.port = "/dev/tty\"x\"";
  EXPECT_EQ(run(odd_port), kExitSuccess);
  EXPECT_EQ(console.str(),
            "{\"port\":\"/dev/tty\\\"x\\\"\",\"ok\":true,\"exit\":0,\"bitrate\":\"125kbps\","
            "\"bitrate_code\":1,\"identifier\":\"1A\"}\n");
}

TEST_F(CliCommandsTest, IdentifierFailureComesAfterTheBitrate) {
  replies["ccidr"] = "<silent>";
  EXPECT_EQ(run(request(CliCommand::kRead)), kExitFailure);
  EXPECT_EQ(console.str(), "bitrate: 500kbps\nResponse reception timeout\n");

  replug();
  EXPECT_EQ(run(json_read()), kExitFailure);
  EXPECT_EQ(console.str(),
            "Response reception timeout\n"
            "{\"port\":\"COM3\",\"ok\":false,\"exit\":1,\"error\":\"Response reception timeout\","
            "\"bitrate\":\"500kbps\",\"bitrate_code\":3}\n");
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

  replug();
  EXPECT_EQ(run(as_json(save(4, u"7F"))), kExitFailure);
  EXPECT_EQ(console.str(),
            "Empty response\n{\"port\":\"COM3\",\"ok\":false,\"exit\":1,\"error\":\"Empty "
            "response\"}\n");
}

TEST_F(CliCommandsTest, ARefusedCommitFailsEvenWithVerify) {
  replies["ppw3916"] = "NG";
  EXPECT_EQ(run(as_json(save(3, u"7FF", true))), kExitFailure);
  EXPECT_EQ(console.str(),
            "Device refused the command\n{\"port\":\"COM3\",\"ok\":false,\"exit\":1,"
            "\"error\":\"Device refused the command\"}\n");
  EXPECT_EQ(responder->commands.back(), "ppw3916");  // nothing read back
}

TEST_F(CliCommandsTest, VerifyReadsBackAndSaysWhatDiffers) {
  replies = {{"ccebr", "4"}, {"ccidr", "7E"}};
  EXPECT_EQ(run(save(4, u"7F", true)), kExitVerifyFailed);
  EXPECT_EQ(console.str(), "Verify failed: the device holds identifier 7E, written 7F\n");
  EXPECT_EQ(responder->commands,
            (std::vector<std::string>{"cceb 4", "ccid 7F", "ppw3916", "ccebr", "ccidr"}));

  replug();
  EXPECT_EQ(run(as_json(save(3, u"7F", true))), kExitVerifyFailed);
  EXPECT_EQ(console.str(),
            "Verify failed: the device holds bitrate 1Mbps, written 500kbps\n"
            "Verify failed: the device holds identifier 7E, written 7F\n"
            "{\"port\":\"COM3\",\"ok\":false,\"exit\":4,\"error\":\"Verify failed: the device "
            "holds bitrate 1Mbps, written 500kbps; Verify failed: the device holds identifier 7E, "
            "written 7F\"}\n");
}

TEST_F(CliCommandsTest, VerifyPassesWhenTheDeviceHoldsTheValues) {
  replies = {{"ccebr", "2"}, {"ccidr", "0"}};
  EXPECT_EQ(run(save(2, u"0", true)), kExitSuccess);
  EXPECT_EQ(console.str(), "Saved !!!\n");

  replug();
  EXPECT_EQ(run(as_json(save(2, u"0", true))), kExitSuccess);
  EXPECT_EQ(console.str(), "{\"port\":\"COM3\",\"ok\":true,\"exit\":0}\n");
}

TEST_F(CliCommandsTest, BuzzerOffIsQuietOnSuccess) {
  EXPECT_EQ(run(request(CliCommand::kBuzzerOff)), kExitSuccess);
  EXPECT_EQ(console.str(), "");
  EXPECT_EQ(responder->commands, std::vector<std::string>{"bzoff"});
}

TEST_F(CliCommandsTest, FailedExchangeNamesOtherHoldersOfThePortAndSuccessDoesNotLook) {
  env.backend.holders = "COM3 is also open in minicom";
  EXPECT_EQ(run(request(CliCommand::kRead)), kExitSuccess);
  EXPECT_TRUE(env.backend.holder_looks.empty());

  replug();
  replies["ccidr"] = "<silent>";
  EXPECT_EQ(run(json_read()), kExitFailure);
  EXPECT_EQ(
      console.str(),
      "Response reception timeout\nwarning: COM3 is also open in minicom\n"
      "{\"port\":\"COM3\",\"ok\":false,\"exit\":1,\"error\":\"Response reception timeout\","
      "\"warning\":\"COM3 is also open in minicom\",\"bitrate\":\"500kbps\",\"bitrate_code\":3}\n");
  EXPECT_EQ(env.backend.holder_looks, std::vector<std::u16string>{u"COM3"});
}

TEST_F(CliCommandsTest, FailedOpenEndsTheCommandWithMessageAndReason) {
  env.backend.next_port.reset();
  env.backend.failure = "/dev/ttyS2: busy: another program";
  EXPECT_EQ(run(save(1, u"1")), kExitCannotOpen);
  EXPECT_EQ(console.str(),
            "Communication port can not be opened\n/dev/ttyS2: busy: another program\n");

  console.str("");
  EXPECT_EQ(run(as_json(request(CliCommand::kBuzzerOff))), kExitCannotOpen);
  EXPECT_EQ(console.str(),
            "Communication port can not be opened\n/dev/ttyS2: busy: another program\n"
            "{\"port\":\"COM3\",\"ok\":false,\"exit\":3,\"error\":\"Communication port can not be "
            "opened\",\"reason\":\"/dev/ttyS2: busy: another program\"}\n");
  EXPECT_TRUE(env.backend.holder_looks.empty());  // the reason names a busy port's holders
}

class ListedScanner final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override {
    ScannedPort usb(u"/dev/ttyUSB0", u"FT232R", PortKind::kUsb);
    usb.serial = "A1\"\xff";  // a quote, and a byte that is not UTF-8
    return {usb};
  }
};

TEST_F(CliCommandsTest, PortsAsJsonOneObjectALineWithoutUnknownKeys) {
  ListedScanner scanner;
  const CliServices listed{env.backend, &scanner, env.clock};
  EXPECT_EQ(run_cli_command(as_json(request(CliCommand::kPorts)), listed, console, console),
            kExitSuccess);
  EXPECT_EQ(console.str().substr(0, console.str().find("{\"port\":\"COM2\"")),
            "{\"port\":\"/dev/ttyUSB0\",\"description\":\"FT232R\",\"kind\":\"usb\","
            "\"serial\":\"A1\\\"\xEF\xBF\xBD\"}\n{\"port\":\"COM1\",\"kind\":\"legacy\"}\n");
}

TEST_F(CliCommandsTest, ResultOfAPortFoundBySerialCarriesItsByIdLink) {
  class ByIdScanner final : public PortScanner {
   public:
    std::vector<ScannedPort> present_ports() override {
      ScannedPort usb(u"/dev/ttyUSB0", u"FT232R", PortKind::kUsb);
      usb.serial = "A1";
      usb.by_id = "/dev/serial/by-id/usb-FTDI_A1";
      return {usb};
    }
  } scanner;
  CliRequest by_serial = as_json(request(CliCommand::kBuzzerOff));
  by_serial.port = "serial:a1";
  EXPECT_EQ(run_cli_command(by_serial, {env.backend, &scanner, env.clock}, console, console),
            kExitSuccess);
  EXPECT_EQ(console.str(),
            R"({"port":"/dev/ttyUSB0","by_id":"/dev/serial/by-id/usb-FTDI_A1","ok":true,"exit":0})"
            "\n");
}

TEST_F(CliCommandsTest, SelectorErrorsAreUsageErrorsBeforeAnyOpen) {
  CliRequest unmatched = request(CliCommand::kRead);
  unmatched.port = "usb:0403:6001";
  EXPECT_EQ(run(unmatched), kExitUsage);
  EXPECT_EQ(console.str(),
            "no port matches 'usb:0403:6001' ('quintrel-cli ports --json' shows "
            "each port's vid, pid and serial)\n");
  EXPECT_TRUE(env.backend.opened_names.empty());
}

// For the line's record a save first reads what the device holds: a device that does not answer
// is not written to, one holding an identifier it cannot have (a fresh one) is.
TEST_F(CliCommandsTest, ASaveForTheRecordReadsTheValuesBeforeWriting) {
  CliRequest recorded = as_json(save(4, u"17F"));
  recorded.line.read_before = true;
  replies = {{"ccebr", "1"}, {"ccidr", "2A5"}};
  JsonObject result;
  EXPECT_EQ(run_cli_command(recorded, services, console, console, &result), kExitSuccess);
  EXPECT_EQ(responder->commands,
            (std::vector<std::string>{"ccebr", "ccidr", "cceb 4", "ccid 17F", "ppw3916"}));
  EXPECT_EQ(json_text(result), R"({"port":"COM3","ok":true,"exit":0,"bitrate_before":"125kbps",)"
                               R"("identifier_before":"2A5"})");

  replug();
  replies = {{"ccebr", "1"}, {"ccidr", "FFFF"}};
  EXPECT_EQ(run(recorded), kExitSuccess);
  EXPECT_EQ(responder->commands.back(), "ppw3916");

  replug();
  replies = {{"ccebr", "<silent>"}};
  EXPECT_EQ(run(recorded), kExitFailure);
  EXPECT_EQ(responder->commands, std::vector<std::string>{"ccebr"});
}

}  // namespace
}  // namespace quintrel::cli

#include "device/setting_commands.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "base/message_texts.h"
#include "device/verified_save.h"
#include "tests/support/fake_link.h"
#include "tests/support/hex.h"
#include "tests/support/scripted_responder.h"

namespace quintrel {
namespace {

using test::hex_of;
using test::reply_frame;
using Texts = std::vector<std::u16string>;
using Commands = std::vector<std::string>;

class RecordingReceiver final : public SettingsReceiver {
 public:
  void apply_bitrate(BitrateCode code) override {
    events.push_back("bitrate " + std::to_string(code));
  }
  void apply_identifier(std::uint32_t id) override {
    events.push_back("identifier " + std::to_string(id));
  }
  std::vector<std::string> events;
};

// A device whose reply to each command is looked up in a table; commands not in it get "OK",
// and a command mapped to nullopt gets no answer at all.
class SettingCommandsTest : public testing::Test {
 protected:
  SettingCommandsTest()
      : responder(device, env.clock, [this](const std::string& command) {
          const auto found = replies.find(command);
          return found == replies.end() ? std::optional(reply_frame("OK")) : found->second;
        }) {}

  test::LinkTestEnvironment env;
  test::FakeSerialPort& device = env.open_fake_port();
  std::map<std::string, std::optional<std::vector<std::uint8_t>>> replies;
  test::ScriptedResponder responder;
  RecordingReceiver receiver;
};

TEST_F(SettingCommandsTest, EachCommandGoesOutByteExact) {
  EXPECT_EQ(env.shown(write_bitrate(env.link, 1)), 0);
  EXPECT_EQ(env.shown(write_identifier(env.link, u"7FF")), 0);
  EXPECT_EQ(env.shown(commit_settings(env.link)), 0);
  EXPECT_EQ(env.shown(buzzer_off(env.link)), 0);
  env.shown(read_settings(env.link, receiver));

  EXPECT_EQ(hex_of(device.written_bytes()),
            "02 63 63 65 62 20 31 03 15 "
            "02 63 63 69 64 20 37 46 46 03 19 "
            "02 70 70 77 33 39 31 36 03 79 "
            "02 62 7A 6F 66 66 03 74 "
            "02 63 63 65 62 72 03 76 "
            "02 63 63 69 64 72 03 7C");
}

TEST_F(SettingCommandsTest, BitrateDigitForEveryIndex) {
  for (const int index : {-1, 0, 1, 2, 3, 4, 5, 100}) {
    env.shown(write_bitrate(env.link, index));
  }
  EXPECT_EQ(responder.commands, (Commands{"cceb 0", "cceb 0", "cceb 1", "cceb 2", "cceb 3",
                                          "cceb 4", "cceb 0", "cceb 0"}));
}

TEST_F(SettingCommandsTest, IdentifierTextGoesOutAsItStands) {
  env.shown(write_identifier(env.link, u"1A"));
  env.shown(write_identifier(env.link, u""));
  ASSERT_EQ(device.written_pieces().size(), 6u);
  EXPECT_EQ(hex_of(device.written_pieces()[1]), "63 63 69 64 20 31 41");
  EXPECT_EQ(hex_of(device.written_pieces()[4]), "63 63 69 64 20");
}

TEST_F(SettingCommandsTest, ReadAppliesBitrateBeforeAskingForTheIdentifier) {
  replies["ccebr"] = reply_frame("3");
  replies["ccidr"] = reply_frame("7ff");
  device.on_write = [this, inner = device.on_write](const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() > 1 && bytes[1] == 'i') {  // the "ccidr" payload piece
      EXPECT_EQ(receiver.events, (std::vector<std::string>{"bitrate 3"}));
    }
    inner(bytes);
  };

  env.shown(read_settings(env.link, receiver));

  EXPECT_EQ(receiver.events, (std::vector<std::string>{"bitrate 3", "identifier 2047"}));
  EXPECT_TRUE(env.presenter.shown.empty());
}

TEST_F(SettingCommandsTest, ReadKeepsTheBitrateWhenTheIdentifierExchangeFails) {
  replies["ccebr"] = reply_frame("  4 more");
  replies["ccidr"] = std::nullopt;

  env.shown(read_settings(env.link, receiver));

  EXPECT_EQ(receiver.events, (std::vector<std::string>{"bitrate 4"}));
  EXPECT_EQ(env.message_texts(), (Texts{messages::kReplyTimeout}));
}

TEST_F(SettingCommandsTest, ReadStopsSilentlyOnEmptyBitrateReply) {
  replies["ccebr"] = reply_frame("");

  env.shown(read_settings(env.link, receiver));

  EXPECT_TRUE(receiver.events.empty());
  EXPECT_TRUE(env.presenter.shown.empty());
  EXPECT_EQ(responder.commands, (Commands{"ccebr"}));
}

TEST_F(SettingCommandsTest, ReadHandsOverOutOfRangeValuesAsTheToolDefinesThem) {
  replies["ccebr"] = reply_frame("-1");
  replies["ccidr"] = reply_frame("7FF");

  env.shown(read_settings(env.link, receiver));

  EXPECT_EQ(receiver.events, (std::vector<std::string>{"bitrate 0", "identifier 2047"}));
}

// 1234ABCD cannot be an 11-bit identifier: a device fault, reported with the value as it came.
TEST_F(SettingCommandsTest, AnIdentifierAbove7FFIsADeviceFault) {
  replies["ccidr"] = test::bytes_from_hex("02 31 32 33 34 41 42 43 44 03 03");
  EXPECT_EQ(env.shown(read_settings(env.link, receiver)), -1);
  EXPECT_EQ(receiver.events, (std::vector<std::string>{"bitrate 0"}));
  EXPECT_EQ(env.message_texts(), Texts{u"Device fault: identifier outside 0..7FF: 1234ABCD"});
}

TEST_F(SettingCommandsTest, AnIdentifierReplyWithoutHexDigitsIsADeviceFault) {
  for (const char* bad : {"00 20 37 46 46", "02 37", "30 78", "2D 31 20 37", "47", "20"}) {
    replies["ccidr"] = build_frame(test::bytes_from_hex(bad));
    EXPECT_EQ(env.shown(read_settings(env.link, receiver)), -1);
  }
  const std::u16string n = messages::kIdentifierNotHex;
  EXPECT_EQ(env.message_texts(),
            (Texts{n + u"??7FF", n + u"?7", n + u"0x", n + u"-1?7", n + u"G", n + u"?"}));
  EXPECT_EQ(receiver.events, std::vector<std::string>(6, "bitrate 0"));  // no identifier
}

TEST_F(SettingCommandsTest, SaveWritesBitrateIdentifierThenCommits) {
  EXPECT_EQ(env.shown(save_settings(env.link, 2, u"1A")), 0);
  EXPECT_EQ(responder.commands, (Commands{"cceb 2", "ccid 1A", "ppw3916"}));
}

struct SaveStop {
  const char* name;
  const char* failing_command;
  bool empty_reply;  // otherwise the device stays silent
  std::size_t commands_sent;
};

void PrintTo(const SaveStop& stop, std::ostream* os) {
  *os << stop.name;
}

class SaveSettingsStops : public SettingCommandsTest,
                          public testing::WithParamInterface<SaveStop> {};

TEST_P(SaveSettingsStops, NothingFollowsAFailedStep) {
  const SaveStop& stop = GetParam();
  replies[stop.failing_command] = stop.empty_reply ? std::optional(reply_frame("")) : std::nullopt;

  EXPECT_EQ(env.shown(save_settings(env.link, 3, u"7FF")), -1);

  const Commands all = {"cceb 3", "ccid 7FF", "ppw3916"};
  EXPECT_EQ(responder.commands, Commands(all.begin(), all.begin() + stop.commands_sent));
  EXPECT_EQ(env.message_texts(), stop.empty_reply ? Texts{} : Texts{messages::kReplyTimeout});
  EXPECT_EQ(env.last_status,
            stop.empty_reply ? LinkStatus::kEmptyReply : LinkStatus::kReplyTimeout);
}

INSTANTIATE_TEST_SUITE_P(EachStep, SaveSettingsStops,
                         testing::Values(SaveStop{"BitrateTimesOut", "cceb 3", false, 1},
                                         SaveStop{"IdentifierTimesOut", "ccid 7FF", false, 2},
                                         SaveStop{"CommitTimesOut", "ppw3916", false, 3},
                                         SaveStop{"BitrateEmptyReply", "cceb 3", true, 1},
                                         SaveStop{"CommitEmptyReply", "ppw3916", true, 3}),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

// A stopped command is said to be in step N of its operation's step list: one step per command.
TEST_F(SettingCommandsTest, EachOperationSendsACommandForEachOfItsSteps) {
  replies["ccebr"] = reply_frame("2");
  replies["ccidr"] = reply_frame("1A");
  const auto sent = [this] { return std::exchange(responder.commands, {}).size(); };
  BitrateCode code = 0;
  EXPECT_EQ(env.shown(read_bitrate(env.link, code)), 0);
  EXPECT_EQ(sent(), kReadBitrateSteps.size());
  EXPECT_EQ(env.shown(read_settings(env.link, receiver)), 0);
  EXPECT_EQ(sent(), kReadSettingsSteps.size());
  EXPECT_EQ(env.shown(save_settings(env.link, 2, u"1A")), 0);
  EXPECT_EQ(sent(), kSaveSettingsSteps.size());
  EXPECT_TRUE(save_and_verify(env.link, 2, u"1A").verified());
  EXPECT_EQ(sent(), save_and_verify_steps().size());
  EXPECT_EQ(env.shown(buzzer_off(env.link)), 0);
  EXPECT_EQ(sent(), kBuzzerOffSteps.size());
}

TEST_F(SettingCommandsTest, AnyNonEmptyReplyToAWriteCountsAsSuccess) {
  replies["bzoff"] = reply_frame("whatever the device says");
  EXPECT_EQ(env.shown(buzzer_off(env.link)), 0);

  replies["bzoff"] = test::bytes_from_hex("02 41 03 00");  // wrong check byte
  EXPECT_EQ(env.shown(buzzer_off(env.link)), -1);
  EXPECT_EQ(env.message_texts(), (Texts{messages::kReplyBccError}));
}

TEST_F(SettingCommandsTest, AnNGReplyRefusesAWriteTheCommitOrTheBuzzerOff) {
  for (const std::string refused : {"cceb 3", "ccid 7FF", "ppw3916", "bzoff"}) {
    replies = {{refused, test::bytes_from_hex("02 4E 47 03 0A")}};
    env.shown(refused == "bzoff" ? buzzer_off(env.link) : save_settings(env.link, 3, u"7FF"));
  }
  EXPECT_EQ(env.message_texts(), Texts(4, messages::kDeviceRefused));
  EXPECT_EQ(responder.commands,
            (Commands{"cceb 3", "cceb 3", "ccid 7FF", "cceb 3", "ccid 7FF", "ppw3916", "bzoff"}));
}

TEST(SettingCommandsClosed, EveryOperationEndsAtItsFirstCommand) {
  test::LinkTestEnvironment env;
  RecordingReceiver receiver;

  env.shown(read_settings(env.link, receiver));
  EXPECT_EQ(env.shown(write_bitrate(env.link, 1)), -1);
  EXPECT_EQ(env.shown(write_identifier(env.link, u"1")), -1);
  EXPECT_EQ(env.shown(commit_settings(env.link)), -1);
  EXPECT_EQ(env.shown(save_settings(env.link, 1, u"1")), -1);
  EXPECT_EQ(env.shown(buzzer_off(env.link)), -1);

  EXPECT_TRUE(receiver.events.empty());
  EXPECT_EQ(env.message_texts(), Texts(6, messages::kPortNotOpen));
  EXPECT_EQ(env.clock.now, 0u);  // no reply was waited for
}

}  // namespace
}  // namespace quintrel

#include "ui/main_dialog.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/message_texts.h"
#include "ports/port_list.h"
#include "tests/support/fake_edit.h"
#include "tests/support/fake_link.h"
#include "tests/support/hex.h"
#include "tests/support/scripted_responder.h"
#include "ui/control_ids.h"

namespace quintrel {
namespace {

using Log = std::vector<std::string>;
using Texts = std::vector<std::u16string>;
using Commands = std::vector<std::string>;

std::string narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());
}

// A window that keeps its combo boxes like the real ones and logs every change in order.
class FakeMainView final : public MainView {
 public:
  FakeMainView() { edit.log = &log; }

  OwnerWindow owner() override { return reinterpret_cast<OwnerWindow>(0x1234); }
  std::u16string port_box_text(std::size_t max_chars) override {
    const int at = combo_selection(kPortBox);
    if (at < 0 || at >= combo_count(kPortBox)) {
      return {};
    }
    return entries[kPortBox][static_cast<std::size_t>(at)].substr(0, max_chars);
  }
  void enable_control(int id, bool enabled) override {
    log.push_back("enable " + std::to_string(id) + (enabled ? " on" : " off"));
  }
  void set_title(std::u16string_view title) override { log.push_back("title " + narrow(title)); }
  int combo_count(int id) override { return static_cast<int>(entries[id].size()); }
  void combo_delete(int id, int index) override {
    entries[id].erase(entries[id].begin() + index);
    log.push_back("delete " + std::to_string(id));
  }
  void combo_add(int id, std::u16string_view text) override {
    entries[id].emplace_back(text);
    log.push_back("add " + std::to_string(id) + " " + narrow(text));
  }
  void combo_select(int id, int index) override {
    selected[id] = index;
    log.push_back("select " + std::to_string(id) + " " + std::to_string(index));
  }
  int combo_selection(int id) override { return selected.contains(id) ? selected[id] : -1; }
  EditControl& identifier_edit() override { return edit; }
  void destroy_window() override {
    log.push_back(dialog->link().is_open() ? "destroy while open" : "destroy");
  }
  void post_quit(int exit_code) override { log.push_back("quit " + std::to_string(exit_code)); }

  const MainDialog* dialog = nullptr;
  Log log;
  std::map<int, Texts> entries;
  std::map<int, int> selected;
  test::FakeEdit edit;
};

class OneScannedPort final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override { return ports; }
  std::vector<ScannedPort> ports;
};

class MainDialogTest : public testing::Test {
 protected:
  MainDialogTest() {
    numeric_field_table() = NumericFieldTable{};
    view.dialog = &dialog;
  }
  ~MainDialogTest() override { numeric_field_table() = NumericFieldTable{}; }

  // A device for the next COM OPEN: it answers "ccebr" and "ccidr" from the replies table (no
  // entry: silent) and every other command with "OK".
  void plug_in_device() {
    auto device = std::make_unique<test::FakeSerialPort>(env.clock);
    responder = std::make_unique<test::ScriptedResponder>(
        *device, env.clock,
        [this](const std::string& command) -> std::optional<std::vector<std::uint8_t>> {
          if (command == "ccidr") {
            bitrate_when_identifier_asked = view.combo_selection(kBitrateList);
          }
          if (command != "ccebr" && command != "ccidr") {
            return test::reply_frame("OK");
          }
          const auto found = replies.find(command);
          return found == replies.end() ? std::nullopt
                                        : std::optional(test::reply_frame(found->second));
        });
    port_ = device.get();
    backend.next_port = std::move(device);
  }

  void open_with(const std::string& bitrate_reply, const std::string& identifier_reply) {
    replies = {{"ccebr", bitrate_reply}, {"ccidr", identifier_reply}};
    plug_in_device();
    dialog.on_command(kComOpenButton);
    ASSERT_TRUE(dialog.link().is_open());
  }

  std::u16string field_text() { return get_field_text(view.edit.window()); }
  Commands commands() const { return responder ? responder->commands : Commands{}; }

  test::LinkTestEnvironment env;
  test::FakeBackend backend;
  OneScannedPort scanner;
  FakeMainView view;
  MainDialog dialog{view, {backend, &scanner, env.clock, env.presenter}};
  std::map<std::string, std::string> replies;
  std::unique_ptr<test::ScriptedResponder> responder;
  test::FakeSerialPort* port_ = nullptr;
  int bitrate_when_identifier_asked = -2;
};

TEST_F(MainDialogTest, StartUpSetsEverythingUpInOrderAndSendsNothing) {
  dialog.on_init();

  Log expected = {"title Quintrel   2.0"};
  for (int n = 1; n <= 10; ++n) {
    expected.push_back("add 1001 COM" + std::to_string(n));
  }
  const Log rest = {"select 1001 0",
                    "enable 1002 on",
                    "enable 1003 off",
                    "add 1008 CAN Invalid",
                    "add 1008 125kbps",
                    "add 1008 250kbps",
                    "add 1008 500kbps",
                    "add 1008 1Mbps",
                    "select 1008 0",
                    "text 0",
                    "routed"};
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(view.log, expected);
  EXPECT_EQ(field_text(), u"0");
  EXPECT_EQ(numeric_field_table().slots[0].maximum, kIdentifierMaximum);
  EXPECT_EQ(numeric_field_table().slots[0].radix, 16);
  EXPECT_TRUE(backend.opened_names.empty());
  EXPECT_FALSE(dialog.link().is_open());
  EXPECT_TRUE(env.presenter.shown.empty());
}

TEST_F(MainDialogTest, FailedOpenShowsItsMessageThenPortNotOpenOnce) {
  dialog.on_init();
  view.log.clear();

  dialog.on_command(kComOpenButton);

  EXPECT_EQ(backend.opened_names, Texts{u"COM1"});
  EXPECT_EQ(env.message_texts(), (Texts{messages::kPortCannotOpen, messages::kPortNotOpen}));
  EXPECT_EQ(env.presenter.shown[1].title, u"error");
  EXPECT_TRUE(view.log.empty());  // no control changed, nothing applied
  EXPECT_EQ(field_text(), u"0");
}

TEST_F(MainDialogTest, PortNameIsTakenAsTypedUpToTheFirstParenthesisOfAtMost299Units) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"COM10", u"COM10"},
      {u"COM3 ", u"COM3 "},
      {u"(x)", u""},
      {u"COM3(USB Serial Port (COM3))", u"COM3"},
      {std::u16string(300, u'A') + u"(desc)", std::u16string(299, u'A')}};
  for (const auto& [text, name] : cases) {
    view.entries[kPortBox] = {text};
    view.selected[kPortBox] = 0;
    backend.opened_names.clear();
    dialog.on_command(kComOpenButton);
    EXPECT_EQ(backend.opened_names, Texts{name});
  }
}

TEST_F(MainDialogTest, SuccessfulOpenSwitchesControlsThenAppliesBothValues) {
  scanner.ports = {{u"COM3", u"USB Serial Port"}};
  dialog.on_init();
  view.log.clear();

  open_with("3", "7ff");

  EXPECT_EQ(backend.opened_names, Texts{u"COM3"});
  EXPECT_EQ(view.log, (Log{"enable 1002 off", "enable 1004 off", "enable 1001 off",
                           "enable 1003 on", "select 1008 3", "text 7FF"}));
  EXPECT_EQ(bitrate_when_identifier_asked, 3);
  EXPECT_EQ(field_text(), u"7FF");
  EXPECT_EQ(commands(), (Commands{"ccebr", "ccidr"}));
  EXPECT_EQ(test::hex_of(port_->written_bytes()),
            "02 63 63 65 62 72 03 76 02 63 63 69 64 72 03 7C");
  EXPECT_TRUE(env.presenter.shown.empty());
}

TEST_F(MainDialogTest, AnIdentifierAbove7FFIsAnErrorAndNotKept) {
  dialog.on_init();
  open_with("9", "1234ABCD");
  EXPECT_EQ(view.selected[kBitrateList], 0);
  EXPECT_EQ(field_text(), u"0");
  EXPECT_EQ(env.message_texts(), Texts{u"Device fault: identifier outside 0..7FF: 1234ABCD"});
}

TEST_F(MainDialogTest, FailedIdentifierExchangeKeepsTheNewBitrateAndTheOldIdentifier) {
  dialog.on_init();
  set_field_value(view.edit.window(), 0x12);

  replies = {{"ccebr", "3"}};  // the identifier request gets no answer
  plug_in_device();
  dialog.on_command(kComOpenButton);

  EXPECT_EQ(view.selected[kBitrateList], 3);
  EXPECT_EQ(field_text(), u"12");
  EXPECT_EQ(env.message_texts(), Texts{messages::kReplyTimeout});

  env.presenter.shown.clear();
  dialog.on_command(kReadingButton);  // Reading runs the same sequence again
  EXPECT_EQ(commands(), (Commands{"ccebr", "ccidr", "ccebr", "ccidr"}));
  EXPECT_EQ(env.message_texts(), Texts{messages::kReplyTimeout});
}

class MainDialogSaveAnswer : public MainDialogTest, public testing::WithParamInterface<int> {};

TEST_P(MainDialogSaveAnswer, SaveGoesOnOnlyWhenTheQuestionIsAnsweredWithOk) {
  const int answer = GetParam();
  dialog.on_init();
  open_with("2", "1a");
  responder->commands.clear();
  env.presenter.answers = {answer};

  dialog.on_command(kSaveSettingsButton);

  ASSERT_FALSE(env.presenter.shown.empty());
  EXPECT_EQ(env.presenter.shown[0].text, messages::kSaveQuestion);
  EXPECT_EQ(env.presenter.shown[0].icon_code, 2);
  EXPECT_EQ(env.presenter.shown[0].title, u"");
  if (answer == kMessageOk) {
    EXPECT_EQ(commands(), (Commands{"cceb 2", "ccid 1A", "ppw3916"}));
    EXPECT_EQ(env.message_texts(), (Texts{messages::kSaveQuestion, messages::kSaved}));
    EXPECT_EQ(env.presenter.shown[1].icon_code, 2);
  } else {
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(env.message_texts(), Texts{messages::kSaveQuestion});
  }
}

INSTANTIATE_TEST_SUITE_P(OkDismissalFailedWindowOther, MainDialogSaveAnswer,
                         testing::Values(kMessageOk, kMessageDismissed, kMessageWindowFailed, 0));

TEST_F(MainDialogTest, SaveWithThePortClosedAsksThenShowsOneError) {
  dialog.on_init();

  dialog.on_command(kSaveSettingsButton);

  EXPECT_EQ(env.message_texts(), (Texts{messages::kSaveQuestion, messages::kPortNotOpen}));
}

TEST_F(MainDialogTest, SaveWritesWhatTheControlsHold) {
  dialog.on_init();
  open_with("4", "7ff");
  view.selected[kBitrateList] = -1;  // no entry selected
  numeric_field_proc(view.edit.window(), kWmSetFocus, 0, 0);
  numeric_field_proc(view.edit.window(), kWmChar, u'5', 0);
  responder->commands.clear();

  dialog.on_command(kSaveSettingsButton);

  EXPECT_EQ(commands(), (Commands{"cceb 0", "ccid 5", "ppw3916"}));
}

TEST_F(MainDialogTest, SaveStopsAtTheFirstFailureWithoutSavedNotice) {
  dialog.on_init();
  open_with("1", "1");
  port_->on_write = nullptr;  // the device falls silent
  const std::size_t pieces_before = port_->written_pieces().size();

  dialog.on_command(kSaveSettingsButton);

  EXPECT_EQ(env.message_texts(), (Texts{messages::kSaveQuestion, messages::kReplyTimeout}));
  ASSERT_EQ(port_->written_pieces().size(), pieces_before + 3);  // the bitrate frame alone
  EXPECT_EQ(test::hex_of(port_->written_pieces().back()), "03 15");
}

TEST_F(MainDialogTest, ARefusedCommitShowsTheRefusalWithoutSaved) {
  dialog.on_init();
  open_with("1", "1");
  const test::ScriptedResponder refusing(*port_, env.clock, [](const std::string& command) {
    return test::reply_frame(command == "ppw3916" ? "NG" : "OK");
  });
  dialog.on_command(kSaveSettingsButton);
  EXPECT_EQ(env.message_texts(), (Texts{messages::kSaveQuestion, messages::kDeviceRefused}));
}

TEST_F(MainDialogTest, BuzzOffShowsNothingOnSuccessAndOneErrorWhenClosed) {
  dialog.on_init();
  dialog.on_command(kBuzzOffButton);
  EXPECT_EQ(env.message_texts(), Texts{messages::kPortNotOpen});
  EXPECT_EQ(env.clock.now, 0u);  // waited for no reply

  open_with("1", "1");
  env.presenter.shown.clear();
  responder->commands.clear();
  dialog.on_command(kBuzzOffButton);
  EXPECT_EQ(commands(), Commands{"bzoff"});
  EXPECT_TRUE(env.presenter.shown.empty());
}

TEST_F(MainDialogTest, OtherIdsDoNothing) {
  dialog.on_init();
  open_with("1", "1");
  view.log.clear();
  responder->commands.clear();

  for (const int id : {0, 1, 2, kPortBox, kIdLabel, 1006, kBitrateList, 1010, kIdField, 65535}) {
    dialog.on_command(id);
  }

  EXPECT_TRUE(view.log.empty());
  EXPECT_TRUE(commands().empty());
  EXPECT_TRUE(env.presenter.shown.empty());
  EXPECT_TRUE(dialog.link().is_open());
}

TEST_F(MainDialogTest, SearchAgainRebuildsOnlyThePortBox) {
  dialog.on_init();
  set_field_value(view.edit.window(), 0x1A);
  view.selected[kBitrateList] = 2;
  scanner.ports = {{u"COM7", u"Plugged in"}};

  for (int press = 0; press < 2; ++press) {
    dialog.on_command(kSearchAgainButton);
    dialog.on_command(kReadingButton);
    dialog.on_command(kSaveSettingsButton);
  }

  ASSERT_EQ(view.entries[kPortBox].size(), 11u);
  EXPECT_EQ(view.entries[kPortBox][0], u"COM7(Plugged in)");
  EXPECT_EQ(view.selected[kPortBox], 0);
  EXPECT_EQ(view.entries[kBitrateList].size(), 5u);
  EXPECT_EQ(view.selected[kBitrateList], 2);
  EXPECT_EQ(field_text(), u"1A");
}

TEST_F(MainDialogTest, ComCloseAndClosingTheWindowCloseThePortFirst) {
  dialog.on_init();
  open_with("1", "1");
  view.log.clear();

  dialog.on_command(kComCloseButton);
  EXPECT_FALSE(dialog.link().is_open());
  const Log closed_state = {"enable 1002 on", "enable 1004 on", "enable 1001 on",
                            "enable 1003 off"};
  EXPECT_EQ(view.log, closed_state);

  open_with("1", "1");
  view.log.clear();
  dialog.on_close();
  dialog.on_destroy();

  Log expected = closed_state;
  expected.push_back("destroy");
  expected.push_back("quit 0");
  EXPECT_EQ(view.log, expected);
}

}  // namespace
}  // namespace quintrel

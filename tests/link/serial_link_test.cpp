#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <utility>

#include "tests/support/fake_link.h"
#include "ui/control_ids.h"
#include "ui/messages.h"

namespace quintrel {
namespace {

class FakePortDialog final : public PortDialog {
 public:
  OwnerWindow owner() override { return reinterpret_cast<OwnerWindow>(0x1234); }
  std::u16string port_box_text(std::size_t max_chars) override {
    asked_max = max_chars;
    return box_text;  // a careless view may hand back more than asked
  }
  void enable_control(int control_id, bool enabled) override {
    changes.emplace_back(control_id, enabled);
  }

  std::u16string box_text;
  std::size_t asked_max = 0;
  std::vector<std::pair<int, bool>> changes;
};

using Changes = std::vector<std::pair<int, bool>>;
const Changes kOpenState = {{kComOpenButton, false},
                            {kSearchAgainButton, false},
                            {kPortBox, false},
                            {kComCloseButton, true}};
const Changes kClosedState = {
    {kComOpenButton, true}, {kSearchAgainButton, true}, {kPortBox, true}, {kComCloseButton, false}};

class SerialLinkTest : public testing::Test {
 protected:
  SerialLinkTest() { install_serial_backend(&backend); }

  test::FakeSerialDevice& prepare_device() {
    auto device = std::make_unique<test::FakeSerialDevice>(env.clock);
    test::FakeSerialDevice& ref = *device;
    backend.next_device = std::move(device);
    return ref;
  }

  test::LinkTestEnvironment env;
  test::FakeBackend backend;
  FakePortDialog dialog;
};

TEST_F(SerialLinkTest, LinkStartsClosed) {
  EXPECT_FALSE(serial_link().is_open());
}

TEST_F(SerialLinkTest, OpenConfiguresInOrderThenSwitchesControls) {
  test::FakeSerialDevice& device = prepare_device();
  dialog.box_text = u"COM3(USB Serial Port (COM3))";
  serial_link().last_status = LinkStatus::kCannotOpen;  // an earlier open's

  open_port(dialog);

  EXPECT_TRUE(serial_link().is_open());
  EXPECT_EQ(backend.opened_names, (std::vector<std::u16string>{u"COM3"}));
  EXPECT_EQ(dialog.asked_max, 299u);
  EXPECT_EQ(device.calls,
            (std::vector<std::string>{"read_settings", "write_settings", "set_short_timeouts",
                                      "raise_dtr", "raise_rts"}));
  EXPECT_EQ(dialog.changes, kOpenState);
  EXPECT_TRUE(env.presenter.shown.empty());
  EXPECT_EQ(serial_link().last_status, LinkStatus::kOk);
}

TEST_F(SerialLinkTest, PortNameIsTakenAsTypedUpToTheFirstParenthesis) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"COM10", u"COM10"}, {u"COM3 ", u"COM3 "}, {u"", u""}, {u"(x)", u""}};
  for (const auto& [text, name] : cases) {
    dialog.box_text = text;
    backend.opened_names.clear();
    open_port(dialog);
    EXPECT_EQ(backend.opened_names, (std::vector<std::u16string>{name}));
  }
}

TEST_F(SerialLinkTest, BoxTextIsCutTo299CharactersBeforeTheName) {
  dialog.box_text = std::u16string(300, u'A') + u"(desc)";

  open_port(dialog);

  ASSERT_EQ(backend.opened_names.size(), 1u);
  EXPECT_EQ(backend.opened_names[0], std::u16string(299, u'A'));
}

struct OpenFailure {
  const char* name;
  bool device_opens;
  bool fail_read;
  bool fail_write;
  const char16_t* text;
  LinkStatus status;
};

void PrintTo(const OpenFailure& failure, std::ostream* os) {
  *os << failure.name;
}

class SerialLinkOpenFailure : public SerialLinkTest,
                              public testing::WithParamInterface<OpenFailure> {};

TEST_P(SerialLinkOpenFailure, ShowsItsMessageLeavesLinkClosedAndControlsUntouched) {
  const OpenFailure& failure = GetParam();
  if (failure.device_opens) {
    test::FakeSerialDevice& device = prepare_device();
    device.fail_read_settings = failure.fail_read;
    device.fail_write_settings = failure.fail_write;
  }
  dialog.box_text = u"COM3";

  open_port(dialog);

  EXPECT_FALSE(serial_link().is_open());
  EXPECT_TRUE(dialog.changes.empty());
  ASSERT_EQ(env.presenter.shown.size(), 1u);
  EXPECT_EQ(env.presenter.shown[0].text, std::u16string(failure.text));
  EXPECT_EQ(env.presenter.shown[0].title, u"");
  EXPECT_EQ(env.presenter.shown[0].icon_code, 0);
  EXPECT_EQ(serial_link().last_status, failure.status);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, SerialLinkOpenFailure,
    testing::Values(OpenFailure{"Open", false, false, false, messages::kPortCannotOpen,
                                LinkStatus::kCannotOpen},
                    OpenFailure{"ReadSettings", true, true, false, messages::kCannotGetSettings,
                                LinkStatus::kCannotGetSettings},
                    OpenFailure{"WriteSettings", true, false, true, messages::kCannotSetPort,
                                LinkStatus::kCannotSetSettings}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

TEST_F(SerialLinkTest, ReopenClosesTheOldPortFirst) {
  prepare_device();
  dialog.box_text = u"COM3";
  open_port(dialog);
  ASSERT_TRUE(serial_link().is_open());
  dialog.changes.clear();

  open_port(dialog);  // nothing prepared this time: the new open fails

  EXPECT_FALSE(serial_link().is_open());
  EXPECT_TRUE(dialog.changes.empty());
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kPortCannotOpen}));
}

TEST_F(SerialLinkTest, CloseAppliesClosedStateWhetherOpenOrNot) {
  close_port(dialog);
  EXPECT_EQ(dialog.changes, kClosedState);

  prepare_device();
  dialog.box_text = u"COM3";
  open_port(dialog);
  dialog.changes.clear();

  close_port(dialog);

  EXPECT_FALSE(serial_link().is_open());
  EXPECT_EQ(dialog.changes, kClosedState);
  EXPECT_TRUE(env.presenter.shown.empty());
}

TEST_F(SerialLinkTest, NoBackendMeansNoPortCanBeOpened) {
  install_serial_backend(nullptr);
  dialog.box_text = u"COM3";

  open_port(dialog);

  EXPECT_FALSE(serial_link().is_open());
  EXPECT_EQ(env.message_texts(), (std::vector<std::u16string>{messages::kPortCannotOpen}));
}

}  // namespace
}  // namespace quintrel

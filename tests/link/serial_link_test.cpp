#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <utility>

#include "base/message_texts.h"
#include "tests/support/fake_link.h"

namespace quintrel {
namespace {

class SerialLinkTest : public testing::Test {
 protected:
  test::FakeSerialPort& prepare_device() {
    auto device = std::make_unique<test::FakeSerialPort>(env.clock);
    test::FakeSerialPort& ref = *device;
    env.backend.next_port = std::move(device);
    return ref;
  }

  test::LinkTestEnvironment env;
};

TEST_F(SerialLinkTest, LinkStartsClosed) {
  EXPECT_FALSE(env.link.is_open());
}

TEST_F(SerialLinkTest, OpenConfiguresInOrder) {
  test::FakeSerialPort& device = prepare_device();

  const LinkOutcome outcome = env.link.open(u"COM3");

  EXPECT_TRUE(env.link.is_open());
  EXPECT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.message(), u"");
  EXPECT_EQ(env.backend.opened_names, (std::vector<std::u16string>{u"COM3"}));
  EXPECT_EQ(env.link.port_name(), u"COM3");
  EXPECT_EQ(device.calls,
            (std::vector<std::string>{"read_settings", "write_settings", "set_short_timeouts",
                                      "raise_dtr", "raise_rts"}));
}

struct OpenStep {
  const char* name;
  bool device_opens;
  bool fail_read;
  bool fail_write;
  bool fail_timeouts;
  const char16_t* text;
  LinkStatus status;
};

void PrintTo(const OpenStep& step, std::ostream* os) {
  *os << step.name;
}

class SerialLinkOpenFailure : public SerialLinkTest,
                              public testing::WithParamInterface<OpenStep> {};

TEST_P(SerialLinkOpenFailure, GivesItsMessageWithoutTitleAndLeavesTheLinkClosed) {
  const OpenStep& step = GetParam();
  if (step.device_opens) {
    test::FakeSerialPort& device = prepare_device();
    device.fail_read_settings = step.fail_read;
    device.fail_write_settings = step.fail_write;
    device.fail_timeouts = step.fail_timeouts;
  }

  const LinkOutcome outcome = env.link.open(u"COM3");

  EXPECT_FALSE(env.link.is_open());
  EXPECT_EQ(outcome.status, step.status);
  EXPECT_EQ(outcome.message(), std::u16string(step.text));
  EXPECT_EQ(std::u16string(outcome.title()), u"");
  EXPECT_TRUE(env.presenter.shown.empty());  // showing it is the caller's decision
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, SerialLinkOpenFailure,
    testing::Values(OpenStep{"Open", false, false, false, false, messages::kPortCannotOpen,
                             LinkStatus::kCannotOpen},
                    OpenStep{"ReadSettings", true, true, false, false, messages::kCannotGetSettings,
                             LinkStatus::kCannotGetSettings},
                    OpenStep{"WriteSettings", true, false, true, false, messages::kCannotSetPort,
                             LinkStatus::kCannotSetSettings},
                    OpenStep{"Timeouts", true, false, false, true, messages::kCannotSetPort,
                             LinkStatus::kCannotSetSettings}),
    [](const auto& test_info) { return std::string(test_info.param.name); });

TEST_F(SerialLinkTest, RefusedOpenCarriesTheSystemsKindAndReason) {
  env.backend.failure = "/dev/ttyUSB0: busy: held by minicom (pid 42)";
  env.backend.failure_kind = OpenFailure::kBusy;

  const LinkOutcome outcome = env.link.open(u"/dev/ttyUSB0");

  EXPECT_EQ(outcome.open_failure, OpenFailure::kBusy);
  EXPECT_EQ(outcome.reason, "/dev/ttyUSB0: busy: held by minicom (pid 42)");
}

TEST_F(SerialLinkTest, ReopenClosesTheOldPortFirst) {
  prepare_device();
  ASSERT_TRUE(env.link.open(u"COM3").ok());

  // Nothing prepared this time: the new open fails.
  EXPECT_EQ(env.link.open(u"COM3").status, LinkStatus::kCannotOpen);

  EXPECT_FALSE(env.link.is_open());
}

TEST_F(SerialLinkTest, LinksAreIndependent) {
  test::FakeBackend other_backend;
  SerialLink other(other_backend, env.clock);
  prepare_device();
  ASSERT_TRUE(env.link.open(u"COM3").ok());

  EXPECT_FALSE(other.is_open());
  EXPECT_EQ(other.open(u"COM4").status, LinkStatus::kCannotOpen);
  EXPECT_TRUE(env.link.is_open());
}

}  // namespace
}  // namespace quintrel

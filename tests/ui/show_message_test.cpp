#include "ui/show_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_link.h"

namespace quintrel {
namespace {

TEST(MessageIcon, TableAndErrorIconForEverythingElse) {
  EXPECT_EQ(message_icon_for(2), MessageIcon::kSystemWarning);
  EXPECT_EQ(message_icon_for(4), MessageIcon::kSystemInformation);
  EXPECT_EQ(message_icon_for(8), MessageIcon::kSystemQuestion);
  EXPECT_EQ(message_icon_for(16), MessageIcon::kSystemLogo);
  EXPECT_EQ(message_icon_for(32), MessageIcon::kSystemApplication);
  EXPECT_EQ(message_icon_for(256), MessageIcon::kProgramWarningTriangle);
  EXPECT_EQ(message_icon_for(512), MessageIcon::kProgramErrorDisc);
  EXPECT_EQ(message_icon_for(1024), MessageIcon::kProgramExclamation);
  for (const std::int32_t other : {0, 1, 3, 6, 64, 128, 2048, -1, -2}) {
    EXPECT_EQ(message_icon_for(other), MessageIcon::kSystemError) << other;
  }
}

class ShowMessageTest : public testing::Test {
 protected:
  test::RecordingPresenter presenter;
  OwnerWindow owner = reinterpret_cast<OwnerWindow>(0x42);
};

TEST_F(ShowMessageTest, KindWordShiftedRightByEightIsTheIconCode) {
  show_message(presenter, kKindError, owner, u"a", u"");
  show_message(presenter, kKindWarning, owner, u"b", u"t");
  show_message(presenter, 0x300, owner, u"c", u"");
  show_message(presenter, -256, owner, u"d", u"");  // arithmetic shift keeps the sign

  ASSERT_EQ(presenter.shown.size(), 4u);
  EXPECT_EQ(presenter.shown[0].icon_code, 0);
  EXPECT_EQ(presenter.shown[1].icon_code, 2);
  EXPECT_EQ(presenter.shown[1].title, u"t");
  EXPECT_EQ(presenter.shown[2].icon_code, 3);
  EXPECT_EQ(presenter.shown[3].icon_code, -1);
  EXPECT_EQ(presenter.shown[3].owner, owner);
}

TEST_F(ShowMessageTest, ReturnsThePresentersResultAndKeepsTheLastRequest) {
  static constexpr char16_t kText[] = u"Save settings ?";
  presenter.answers = {kMessageOk, kMessageDismissed};

  EXPECT_EQ(show_message(presenter, kKindWarning, owner, kText, u""), kMessageOk);
  EXPECT_EQ(show_message(presenter, kKindWarning, owner, kText, u""), kMessageDismissed);
  EXPECT_EQ(message_request().text, kText);
  EXPECT_EQ(message_request().icon_code, 2);
}

TEST_F(ShowMessageTest, TheRequestKeepsATextBuiltForTheOccasion) {
  // The window reads the request again at every paint, after the caller's strings are gone.
  {
    std::u16string text = u"Response BCC error";
    std::u16string title = u"error";
    show_message(presenter, kKindError, owner, text, title);
    text.assign(text.size(), u'x');
    title.assign(title.size(), u'x');
  }
  EXPECT_EQ(message_request().text, u"Response BCC error");
  EXPECT_EQ(message_request().title, u"error");
}

}  // namespace
}  // namespace quintrel

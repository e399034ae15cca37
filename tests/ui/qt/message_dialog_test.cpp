// The message window on Qt: its four ways out, its layout and its icon.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "base/message_texts.h"
#include "tests/ui/qt/message_answerer.h"
#include "tests/ui/qt/qt_suites.h"
#include "ui/qt/message_dialog.h"
#include "ui/show_message.h"

namespace quintrel::qt::test {

namespace {

// The window's pixels, as it draws itself.
QImage picture_of(const MessageRequest& request, QWidget* owner) {
  MessageDialog dialog(owner, request);
  dialog.show();
  return dialog.grab().toImage();
}

bool is_red(QRgb pixel) {
  return qRed(pixel) > 180 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

}  // namespace

void MessageDialogTest::init() {
  owner_ = std::make_unique<QWidget>();
  owner_->setGeometry(200, 150, 400, 300);
  owner_->show();
}

void MessageDialogTest::cleanup() {
  owner_.reset();
}

void MessageDialogTest::answers_give_ok_or_dismissed_data() {
  QTest::addColumn<int>("answer");
  QTest::addColumn<int>("expected");
  QTest::newRow("OK button") << static_cast<int>(Answer::kOkButton) << kMessageOk;
  QTest::newRow("Enter") << static_cast<int>(Answer::kEnter) << kMessageOk;
  QTest::newRow("Esc") << static_cast<int>(Answer::kEscape) << kMessageDismissed;
  QTest::newRow("close box") << static_cast<int>(Answer::kCloseBox) << kMessageDismissed;
}

void MessageDialogTest::answers_give_ok_or_dismissed() {
  QFETCH(int, answer);
  QFETCH(int, expected);
  MessageAnswerer answerer;
  answerer.answer_next({static_cast<Answer>(answer)});
  const int result = show_message(presenter_, kKindWarning, owner_.get(), messages::kSaveQuestion,
                                  messages::kNoTitle);
  QCOMPARE(result, expected);
  QCOMPARE(answerer.texts(), QStringList{QStringLiteral("Save settings ?")});
  QCOMPARE(answerer.seen.front().title, QString());
}

void MessageDialogTest::layout_follows_the_template() {
  const MessageRequest request{
      u"A message long enough that it cannot stand on one line of this "
      u"window and has to be wrapped",
      0, messages::kErrorTitle};
  MessageDialog dialog(owner_.get(), request);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(dialog.windowTitle(), QStringLiteral("error"));
  QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
  QCOMPARE(dialog.pos(), owner_->mapToGlobal(QPoint(0, 0)));
  QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

  QLabel* const text = dialog.text_label();
  QCOMPARE(text->text(), QString::fromStdU16String(request.text));
  QVERIFY(text->wordWrap());
  QVERIFY(text->alignment().testFlag(Qt::AlignHCenter));
  QVERIFY(text->heightForWidth(text->width()) > text->fontMetrics().height());
  QVERIFY(dialog.rect().contains(text->geometry()));
  QVERIFY(text->geometry().left() > MessageDialog::icon_rect().right());

  QPushButton* const ok = dialog.ok_button();
  QCOMPARE(ok->text(), QStringLiteral("OK"));
  QVERIFY(ok->isDefault());
  QCOMPARE(QApplication::focusWidget(), ok);
  QVERIFY(ok->geometry().top() > text->geometry().top());
}

void MessageDialogTest::icon_is_stretched_to_40_at_10_10() {
  // The red disc of program icon 106 nearly fills its square.
  const QImage image = picture_of({u"x", 512, u""}, owner_.get());
  // Points of the disc clear of the white cross, near each edge of the 40 x 40 square.
  for (const QPoint inside : {QPoint(30, 14), QPoint(14, 30), QPoint(46, 30), QPoint(30, 46)}) {
    QVERIFY2(is_red(image.pixel(inside)),
             qPrintable(QStringLiteral("%1,%2").arg(inside.x()).arg(inside.y())));
  }
  for (const QPoint outside : {QPoint(8, 30), QPoint(52, 30), QPoint(30, 8), QPoint(30, 52)}) {
    QVERIFY2(!is_red(image.pixel(outside)),
             qPrintable(QStringLiteral("%1,%2").arg(outside.x()).arg(outside.y())));
  }
}

void MessageDialogTest::icon_follows_the_code() {
  const auto icon_of = [this](std::int32_t code) {
    return picture_of({u"x", code, u""}, owner_.get()).copy(MessageDialog::icon_rect());
  };
  const QImage error = icon_of(0);
  QCOMPARE(icon_of(3), error);
  QCOMPARE(icon_of(-1), error);
  QVERIFY(icon_of(2) != error);
  QVERIFY(icon_of(256) != icon_of(2));
  QVERIFY(icon_of(1024) != icon_of(512));
}

}  // namespace quintrel::qt::test

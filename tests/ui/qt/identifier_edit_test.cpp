// The identifier line edit: every way text can enter reaches the field's rules. The rules
// themselves are tested with the portable field; these cases check that Qt's keys, menu, paste,
// drop and input-method text arrive at them, and that what Qt then does is what Windows does.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTestEventList>

#include "tests/ui/qt/qt_suites.h"
#include "ui/numeric_field.h"

namespace quintrel::qt::test {

namespace {

constexpr int kSelectAll = -1;

void trigger(IdentifierEdit& edit, const QString& label) {
  std::unique_ptr<QMenu> menu(edit.create_edit_menu());
  for (QAction* const action : menu->actions()) {
    if (action->text() == label) {
      QVERIFY2(action->isEnabled(), qPrintable(label));
      action->trigger();
      return;
    }
  }
  QFAIL(qPrintable(QStringLiteral("no menu entry ") + label));
}

}  // namespace

void IdentifierEditTest::init() {
  numeric_field_table() = NumericFieldTable{};
  window_ = std::make_unique<QWidget>();
  edit_ = new IdentifierEdit(window_.get());
  edit_->setGeometry(10, 10, 80, 24);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  QCOMPARE(install_numeric_field(*edit_, u"0", u"", 16, 0x7FF), 0);
}

void IdentifierEditTest::cleanup() {
  window_.reset();
  numeric_field_table() = NumericFieldTable{};
}

void IdentifierEditTest::keys_follow_the_field_rules_data() {
  QTest::addColumn<QString>("start");
  QTest::addColumn<int>("caret");
  QTest::addColumn<QTestEventList>("keys");
  QTest::addColumn<QString>("expected");
  QTest::addColumn<int>("expected_caret");
  const auto keys = [](std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>> list) {
    QTestEventList events;
    for (const auto& [key, modifiers] : list) {
      events.addKeyClick(key, modifiers);
    }
    return events;
  };
  const Qt::KeyboardModifiers none = Qt::NoModifier;
  QTest::newRow("a on 0") << "0" << 1 << keys({{Qt::Key_A, none}}) << "A" << 1;
  QTest::newRow("0 on 0") << "0" << 1 << keys({{Qt::Key_0, none}}) << "0" << 1;
  QTest::newRow("f after 7F, then 1")
      << "7F" << 2 << keys({{Qt::Key_F, none}, {Qt::Key_1, none}}) << "7FF" << 3;
  QTest::newRow("0 after 80") << "80" << 2 << keys({{Qt::Key_0, none}}) << "80" << 2;
  QTest::newRow("g x - space")
      << "12" << 2
      << keys({{Qt::Key_G, none}, {Qt::Key_X, none}, {Qt::Key_Minus, none}, {Qt::Key_Space, none}})
      << "12" << 2;
  QTest::newRow("5 over a selection")
      << "1A" << kSelectAll << keys({{Qt::Key_5, none}}) << "5" << 1;
  QTest::newRow("Backspace on A") << "A" << 1 << keys({{Qt::Key_Backspace, none}}) << "0" << 1;
  QTest::newRow("Backspace on 1A") << "1A" << 2 << keys({{Qt::Key_Backspace, none}}) << "1" << 1;
  QTest::newRow("Backspace over a selection")
      << "1A" << kSelectAll << keys({{Qt::Key_Backspace, none}}) << "0" << 1;
  QTest::newRow("Delete after the digits")
      << "1A" << 2 << keys({{Qt::Key_Delete, none}}) << "1A" << 2;
  QTest::newRow("Delete in front of A") << "A" << 0 << keys({{Qt::Key_Delete, none}}) << "0" << 1;
  QTest::newRow("Delete in front of 1A") << "1A" << 0 << keys({{Qt::Key_Delete, none}}) << "A" << 0;
  QTest::newRow("Home") << "12" << 1 << keys({{Qt::Key_Home, none}}) << "12" << 1;
  QTest::newRow("End") << "12" << 1 << keys({{Qt::Key_End, none}}) << "12" << 1;
  QTest::newRow("Up") << "12" << 0 << keys({{Qt::Key_Up, none}}) << "12" << 2;
  QTest::newRow("Right at the end") << "12" << 2 << keys({{Qt::Key_Right, none}}) << "12" << 2;
  QTest::newRow("Right inside") << "12" << 0 << keys({{Qt::Key_Right, none}}) << "12" << 1;
  QTest::newRow("Left") << "12" << 2 << keys({{Qt::Key_Left, none}}) << "12" << 1;
  QTest::newRow("Ctrl+V types 0x16")
      << "12" << 2 << keys({{Qt::Key_V, Qt::ControlModifier}}) << "12" << 2;
  QTest::newRow("Ctrl+Z types 0x1A")
      << "12" << 2 << keys({{Qt::Key_Z, Qt::ControlModifier}}) << "12" << 2;
}

void IdentifierEditTest::keys_follow_the_field_rules() {
  QFETCH(QString, start);
  QFETCH(int, caret);
  QFETCH(QTestEventList, keys);
  QFETCH(QString, expected);
  QFETCH(int, expected_caret);
  QApplication::clipboard()->setText(QStringLiteral("5"));
  set_field_value(edit_->window(), start.toUInt(nullptr, 16));  // as the device reports it
  if (caret == kSelectAll) {
    edit_->selectAll();
  } else {
    edit_->setCursorPosition(caret);
  }
  keys.simulate(edit_);
  QCOMPARE(edit_->text(), expected);
  QCOMPARE(edit_->cursorPosition(), expected_caret);
  QVERIFY(!edit_->hasSelectedText());
}

void IdentifierEditTest::focus_selects_the_digits() {
  set_field_value(edit_->window(), 0x1A5);
  edit_->setCursorPosition(1);
  edit_->clearFocus();
  QVERIFY(!edit_->hasFocus());
  edit_->setFocus(Qt::OtherFocusReason);
  QTRY_VERIFY(edit_->hasFocus());
  QCOMPARE(edit_->selectedText(), QStringLiteral("1A5"));
}

void IdentifierEditTest::pasting_is_checked_whole_data() {
  QTest::addColumn<QString>("clipboard");
  QTest::addColumn<bool>("shift_insert");
  QTest::addColumn<QString>("expected");
  QTest::newRow("menu, 0x prefix and blanks") << " 0x2a5 \n" << false << "2A5";
  QTest::newRow("menu, the maximum") << "7ff" << false << "7FF";
  QTest::newRow("menu, above the maximum") << "800" << false << "12";
  QTest::newRow("menu, not a number") << "1g" << false << "12";
  QTest::newRow("Shift+Insert") << "3c" << true << "3C";
  QTest::newRow("Shift+Insert, not a number") << "-1" << true << "12";
}

void IdentifierEditTest::pasting_is_checked_whole() {
  QFETCH(QString, clipboard);
  QFETCH(bool, shift_insert);
  QFETCH(QString, expected);
  set_field_value(edit_->window(), 0x12);
  edit_->setCursorPosition(1);
  QApplication::clipboard()->setText(clipboard);
  if (shift_insert) {
    QTest::keyClick(edit_, Qt::Key_Insert, Qt::ShiftModifier);
  } else {
    trigger(*edit_, QStringLiteral("&Paste"));
  }
  QCOMPARE(edit_->text(), expected);
}

void IdentifierEditTest::other_ways_in_are_guarded_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("allowed");
  QTest::newRow("input method, digit") << "ime"
                                       << "5" << QStringList{"125"};
  QTest::newRow("input method, letter") << "ime"
                                        << "z" << QStringList{"12"};
  QTest::newRow("input method, too large") << "ime"
                                           << "ff" << QStringList{"12"};
  QTest::newRow("drop, digit") << "drop"
                               << "7" << QStringList{"712", "172", "127"};
  QTest::newRow("drop, not a number") << "drop"
                                      << "G" << QStringList{"12"};
  QTest::newRow("drop, too large") << "drop"
                                   << "fff" << QStringList{"12"};
}

void IdentifierEditTest::other_ways_in_are_guarded() {
  QFETCH(QString, how);
  QFETCH(QString, text);
  QFETCH(QStringList, allowed);
  set_field_value(edit_->window(), 0x12);
  edit_->setCursorPosition(2);
  if (how == QStringLiteral("ime")) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit_, &event);
  } else {
    QMimeData data;
    data.setText(text);
    QDropEvent drop(QPointF(edit_->width() / 2.0, edit_->height() / 2.0), Qt::CopyAction, &data,
                    Qt::LeftButton, Qt::NoModifier);
    // Qt delivers a drop only to the target of a running drag; the widget's handler is what a
    // drag ends in.
    static_cast<QObject*>(edit_)->event(&drop);
  }
  QVERIFY2(allowed.contains(edit_->text()), qPrintable(edit_->text()));
}

void IdentifierEditTest::undo_and_cut_never_leave_it_empty() {
  QTest::keyClicks(edit_, QStringLiteral("12"));
  QCOMPARE(edit_->text(), QStringLiteral("12"));
  trigger(*edit_, QStringLiteral("&Undo"));
  QVERIFY2(edit_->text() == QStringLiteral("1") || edit_->text() == QStringLiteral("0"),
           qPrintable(edit_->text()));

  set_field_value(edit_->window(), 0x3F);
  trigger(*edit_, QStringLiteral("Select &All"));
  QCOMPARE(edit_->selectedText(), QStringLiteral("3F"));
  trigger(*edit_, QStringLiteral("Cu&t"));
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("3F"));
  QCOMPARE(edit_->text(), QStringLiteral("0"));

  set_field_value(edit_->window(), 0x3F);
  trigger(*edit_, QStringLiteral("Select &All"));
  trigger(*edit_, QStringLiteral("&Delete"));
  QCOMPARE(edit_->text(), QStringLiteral("0"));
}

void IdentifierEditTest::destroyed_edit_is_forgotten() {
  delete edit_;
  edit_ = nullptr;
  QCOMPARE(numeric_field_table().slots[0].control, nullptr);
  QCOMPARE(get_field_text(numeric_field_table().keys[0]), std::u16string());
}

}  // namespace quintrel::qt::test

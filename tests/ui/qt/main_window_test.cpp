// The Qt main window against quintrel-sim on a pseudo-terminal: one pass through each piece of
// wiring between the window, the logic, the Linux serial backend and the port discovery. The
// logic's own cases are tested without a window.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <string>

#include "link/serial_link.h"
#include "platform/linux/linux_advertised_ports.h"
#include "platform/linux/linux_serial_port.h"
#include "platform/system_clock.h"
#include "ports/port_list.h"
#include "tests/integration/processes.h"
#include "tests/ui/qt/message_answerer.h"
#include "tests/ui/qt/qt_suites.h"
#include "ui/control_ids.h"
#include "ui/numeric_field.h"
#include "ui/qt/main_window.h"
#include "ui/show_message.h"

namespace quintrel::qt::test {

namespace fs = std::filesystem;
using quintrel::test::SimProcess;
using quintrel::test::TempDir;

namespace {

// Frames as the simulator received them: STX, the payload and ETX in hex.
const char kReadBitrate[] = "02 63 63 65 62 72 03";     // ccebr
const char kReadIdentifier[] = "02 63 63 69 64 72 03";  // ccidr
const char kWriteBitrate[] = "02 63 63 65 62 20";       // cceb and its digit
const char kCommit[] = "02 70 70 77 33 39 31 36 03";    // ppw3916
const char kBuzzerOff[] = "02 62 7A 6F 66 66 03";       // bzoff

}  // namespace

// The simulator advertises its pty in the test's own directory, which the scanner reads instead
// of the user's.
struct MainWindowTest::Fixture {
  Fixture()
      : advertised(prepare(dir.path())),
        sim(advertised, {"--bitrate", "2", "--id", "123"}),
        scanner(nullptr, advertised) {
    numeric_field_table() = NumericFieldTable{};
  }

  static fs::path prepare(const fs::path& root) {
    const fs::path ports = root / "ports";
    fs::create_directory(ports);
    fs::permissions(ports, fs::perms::owner_all, fs::perm_options::replace);
    return ports;
  }

  QString pty() const { return QString::fromStdString(fs::canonical(sim.port()).string()); }
  bool received(const std::string& frame) const {
    return sim.wait_for_log(frame, 1, 2000, SimProcess::Search::kReceived);
  }
  bool never_received(const std::string& frame) const {
    return sim.received().find(frame) == std::string::npos;
  }

  void press(int control_id) {
    auto* const button = qobject_cast<QPushButton*>(window.control(control_id));
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
  }

  // The enabled state of the four port controls: port box, COM OPEN, COM CLOSE, Search again.
  QList<bool> port_controls() const {
    QList<bool> states;
    for (const int id : {kPortBox, kComOpenButton, kComCloseButton, kSearchAgainButton}) {
      states << window.control(id)->isEnabled();
    }
    return states;
  }

  TempDir dir;
  fs::path advertised;
  SimProcess sim;
  LinuxSerialBackend backend;
  AdvertisedPortScanner scanner;
  MessageWindowPresenter presenter;
  MessageAnswerer answerer;
  MainWindow window{{backend, &scanner, system_clock(), presenter}};
};

namespace {
const QList<bool> kClosedState{true, true, false, true};
const QList<bool> kOpenState{false, false, true, false};
}  // namespace

MainWindowTest::MainWindowTest() = default;
MainWindowTest::~MainWindowTest() = default;

void MainWindowTest::init() {
  fixture_ = std::make_unique<Fixture>();
  QVERIFY(fixture_->sim.started());
  fixture_->window.start();
  fixture_->window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&fixture_->window));
  // Without a window manager (the screenshot's bare X display) the window never becomes active;
  // the cases that need the focus check it themselves.
  fixture_->window.activateWindow();
  static_cast<void>(QTest::qWaitForWindowActive(&fixture_->window, 1000));
}

void MainWindowTest::cleanup() {
  fixture_.reset();
}

void MainWindowTest::start_up_state() {
  Fixture& f = *fixture_;
  MainWindow& window = f.window;
  QCOMPARE(window.windowTitle(), QStringLiteral("Quintrel   2.0"));
  QCOMPARE(window.minimumSize(), window.maximumSize());
  QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

  QComboBox* const ports = window.combo(kPortBox);
  QVERIFY(ports->isEditable());
  QCOMPARE(ports->count(), 11);
  QCOMPARE(ports->itemText(0), f.pty() + QStringLiteral("(Quintrel simulated device)"));
  QCOMPARE(ports->itemText(1), QStringLiteral("COM1"));
  QCOMPARE(ports->itemText(10), QStringLiteral("COM10"));
  QCOMPARE(ports->currentText(), ports->itemText(0));
  QVERIFY(ports->hasFocus());

  QComboBox* const rates = window.combo(kBitrateList);
  QVERIFY(!rates->isEditable());
  QStringList names;
  for (int index = 0; index < rates->count(); ++index) {
    names << rates->itemText(index);
  }
  QCOMPARE(names, (QStringList{"CAN Invalid", "125kbps", "250kbps", "500kbps", "1Mbps"}));
  QCOMPARE(rates->currentIndex(), 0);

  QCOMPARE(window.identifier_field()->text(), QStringLiteral("0"));
  QCOMPARE(window.identifier_label()->text(), QStringLiteral("0x"));
  QCOMPARE(f.port_controls(), kClosedState);
  for (const int id :
       {kSaveSettingsButton, kBitrateList, kReadingButton, kBuzzOffButton, kIdField}) {
    QVERIFY(window.control(id)->isEnabled());
  }
  const QList<QPushButton*> buttons = window.findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), 6);
  for (const QPushButton* const button : buttons) {
    QVERIFY2(!button->isDefault(), qPrintable(button->text()));
  }

  // Tab order is template order; the label takes no focus.
  QList<int> order;
  QWidget* at = window.control(kPortBox);
  do {
    const int id = at->objectName().toInt();
    if (window.control(id) == at && at->focusPolicy() & Qt::TabFocus) {
      order << id;
    }
    at = at->nextInFocusChain();
  } while (at != window.control(kPortBox));
  QCOMPARE(order, (QList<int>{kPortBox, kComOpenButton, kComCloseButton, kSearchAgainButton,
                              kSaveSettingsButton, kBitrateList, kReadingButton, kBuzzOffButton,
                              kIdField}));

  // Relative places as in the template.
  const auto place = [&window](int id) { return window.control(id)->geometry(); };
  QCOMPARE(place(kComOpenButton).top(), place(kSearchAgainButton).top());
  QVERIFY(place(kComOpenButton).right() < place(kComCloseButton).left());
  QVERIFY(place(kComCloseButton).right() < place(kSearchAgainButton).left());
  QVERIFY(place(kBuzzOffButton).bottom() < place(kSaveSettingsButton).top());
  QCOMPARE(place(kReadingButton).top(), place(kSaveSettingsButton).top());
  QVERIFY(place(kIdLabel).right() < place(kIdField).left());
  QVERIFY(window.rect().contains(place(kIdField)));

  QVERIFY(f.answerer.seen.empty());
  QVERIFY(f.sim.received().empty());
}

void MainWindowTest::com_open_reads_the_device() {
  Fixture& f = *fixture_;
  f.press(kComOpenButton);
  QCOMPARE(f.answerer.texts(), QStringList());
  QCOMPARE(f.port_controls(), kOpenState);
  QCOMPARE(f.window.combo(kBitrateList)->currentText(), QStringLiteral("250kbps"));
  QCOMPARE(f.window.identifier_field()->text(), QStringLiteral("123"));
  QVERIFY(f.received(kReadBitrate));
  QVERIFY(f.received(kReadIdentifier));
}

void MainWindowTest::typed_and_pasted_identifier_is_saved() {
  Fixture& f = *fixture_;
  f.press(kComOpenButton);
  IdentifierEdit* const field = f.window.identifier_field();
  QCOMPARE(field->text(), QStringLiteral("123"));

  // Tabbing in selects the digits; typing replaces them, and a refused key changes nothing.
  field->setFocus(Qt::TabFocusReason);
  QTRY_VERIFY(field->hasFocus());
  QCOMPARE(field->selectedText(), QStringLiteral("123"));
  QTest::keyClicks(field, QStringLiteral("4cg"));
  QCOMPARE(field->text(), QStringLiteral("4C"));

  QApplication::clipboard()->setText(QStringLiteral("0x2a5"));
  std::unique_ptr<QMenu> menu(field->create_edit_menu());
  for (QAction* const action : menu->actions()) {
    if (action->text() == QStringLiteral("&Paste")) {
      action->trigger();
    }
  }
  QCOMPARE(field->text(), QStringLiteral("2A5"));

  f.press(kSaveSettingsButton);
  QCOMPARE(f.answerer.texts(), (QStringList{"Save settings ?", "Saved !!!"}));
  QVERIFY(f.received("02 63 63 69 64 20 32 41 35 03"));  // ccid 2A5
  QVERIFY(f.received(kCommit));

  field->setText(QStringLiteral("0"));
  f.press(kReadingButton);
  QCOMPARE(field->text(), QStringLiteral("2A5"));
}

void MainWindowTest::save_answered_each_way() {
  Fixture& f = *fixture_;
  f.press(kComOpenButton);
  f.window.combo(kBitrateList)->setCurrentIndex(4);

  for (const Answer dismissal : {Answer::kEscape, Answer::kCloseBox}) {
    f.answerer.seen.clear();
    f.answerer.answer_next({dismissal});
    f.press(kSaveSettingsButton);
    QCOMPARE(f.answerer.texts(), QStringList{"Save settings ?"});
    QCOMPARE(f.answerer.seen.front().title, QString());
    QCOMPARE(f.answerer.seen.front().result, kMessageDismissed);
  }
  QVERIFY(f.never_received(kWriteBitrate));

  f.answerer.seen.clear();
  f.answerer.answer_next({Answer::kEnter, Answer::kEnter});
  f.press(kSaveSettingsButton);
  QCOMPARE(f.answerer.texts(), (QStringList{"Save settings ?", "Saved !!!"}));
  QCOMPARE(f.answerer.seen.front().result, kMessageOk);
  QCOMPARE(f.answerer.seen.back().title, QString());
  QVERIFY(f.received(std::string(kWriteBitrate) + " 34 03"));  // cceb 4
  QVERIFY(f.received("02 63 63 69 64 20 31 32 33 03"));        // ccid 123
  QVERIFY(f.received(kCommit));
}

void MainWindowTest::buzz_off() {
  Fixture& f = *fixture_;
  f.press(kComOpenButton);
  f.press(kBuzzOffButton);
  QVERIFY(f.received(kBuzzerOff));
  QCOMPARE(f.answerer.texts(), QStringList());
}

void MainWindowTest::failed_open_shows_two_messages() {
  Fixture& f = *fixture_;
  f.window.combo(kPortBox)->setEditText(
      QString::fromStdString((f.dir.path() / "no-such-port").string()));
  f.press(kComOpenButton);
  QCOMPARE(f.answerer.texts(),
           (QStringList{"Communication port can not be opened", "Communication port not open"}));
  QCOMPARE(f.answerer.seen[0].title, QString());
  QCOMPARE(f.answerer.seen[1].title, QStringLiteral("error"));
  QCOMPARE(f.port_controls(), kClosedState);
  QVERIFY(!fixture_->window.dialog().link().is_open());
  QVERIFY(f.sim.received().empty());
}

void MainWindowTest::esc_and_enter_do_nothing() {
  Fixture& f = *fixture_;
  QSignalSpy quit(&f.window, &MainWindow::quit_requested);
  // A typed port name stays typed: Enter does not add it to the list.
  f.window.combo(kPortBox)->setEditText(QStringLiteral("ttyTyped"));
  for (const int id : {kPortBox, kBitrateList, kIdField}) {
    f.window.control(id)->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(f.window.control(id)->hasFocus());
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QTest::keyClick(QApplication::focusWidget(), key);
    }
  }
  QVERIFY(f.window.isVisible());
  QCOMPARE(quit.count(), 0);
  QCOMPARE(f.window.combo(kPortBox)->count(), 11);
  QCOMPARE(f.window.combo(kPortBox)->currentText(), QStringLiteral("ttyTyped"));
  QCOMPARE(f.window.identifier_field()->text(), QStringLiteral("0"));
  QCOMPARE(f.answerer.texts(), QStringList());
  QVERIFY(f.sim.received().empty());

  // Enter on a focused button presses it, as in a Windows dialog: BUZZ OFF with the port closed.
  f.window.control(kBuzzOffButton)->setFocus(Qt::TabFocusReason);
  QTRY_VERIFY(f.window.control(kBuzzOffButton)->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QCOMPARE(f.answerer.texts(), QStringList{"Communication port not open"});
}

void MainWindowTest::closing_while_open_closes_the_port() {
  Fixture& f = *fixture_;
  QSignalSpy quit(&f.window, &MainWindow::quit_requested);
  f.press(kComOpenButton);
  QVERIFY(fixture_->window.dialog().link().is_open());

  QVERIFY(f.window.close() || !f.window.isVisible());
  QVERIFY(!fixture_->window.dialog().link().is_open());
  QVERIFY(!f.window.isVisible());
  QCOMPARE(quit.count(), 1);
  QCOMPARE(quit.first().first().toInt(), 0);
  // The port is free again for another program.
  QVERIFY(LinuxSerialBackend().open_exclusive(f.pty().toStdU16String()).port != nullptr);
}

void MainWindowTest::screenshot_after_read() {
  const QString path = qEnvironmentVariable("QUINTREL_SCREENSHOT");
  if (path.isEmpty()) {
    QSKIP("QUINTREL_SCREENSHOT names no file");
  }
  Fixture& f = *fixture_;
  f.press(kComOpenButton);
  QCOMPARE(f.window.identifier_field()->text(), QStringLiteral("123"));
  f.window.control(kReadingButton)->setFocus(Qt::TabFocusReason);
  QTest::qWait(200);
  QVERIFY(f.window.grab().save(path));
}

}  // namespace quintrel::qt::test

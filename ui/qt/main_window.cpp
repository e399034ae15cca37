#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "base/control_ids.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/qt_text.h"

namespace quintrel::qt {

namespace {

// Template 101's client area in dialog units.
constexpr int kWidthUnits = 221;
constexpr int kHeightUnits = 137;
// Items the port box shows before its list scrolls.
constexpr int kPortBoxVisibleItems = 15;

}  // namespace

MainWindow::MainWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialog_(*this) {
  const DialogUnits units(font());
  setFixedSize(units.size(kWidthUnits, kHeightUnits));

  // Created in template order, which Qt also takes as the tab order.
  auto* port_box = new QComboBox(this);
  port_box->setEditable(true);
  // Enter in the box's text must not add the text to the list.
  port_box->setInsertPolicy(QComboBox::NoInsert);
  port_box->setMaxVisibleItems(kPortBoxVisibleItems);
  port_box->setGeometry(
      units.rect(14, 14, 170, 0).adjusted(0, 0, 0, port_box->sizeHint().height()));
  controls_[kPortBox] = port_box;

  add_button(kComOpenButton, QStringLiteral("COM OPEN"))->setGeometry(units.rect(15, 35, 50, 14));
  add_button(kComCloseButton, QStringLiteral("COM CLOSE"))->setGeometry(units.rect(75, 35, 50, 14));
  add_button(kSearchAgainButton, QStringLiteral("Search again"))
      ->setGeometry(units.rect(135, 35, 50, 14));
  add_button(kSaveSettingsButton, QStringLiteral("Save Settings"))
      ->setGeometry(units.rect(155, 84, 50, 14));

  // A drop-down list: its text is always one of the five entries.
  auto* bitrate_list = new QComboBox(this);
  bitrate_list->setEditable(false);
  bitrate_list->setGeometry(
      units.rect(15, 86, 74, 0).adjusted(0, 0, 0, bitrate_list->sizeHint().height()));
  controls_[kBitrateList] = bitrate_list;

  add_button(kReadingButton, QStringLiteral("Reading"))->setGeometry(units.rect(97, 84, 50, 14));
  add_button(kBuzzOffButton, QStringLiteral("BUZZ OFF"))->setGeometry(units.rect(155, 62, 50, 14));

  identifier_ = new IdentifierEdit(this);
  identifier_->setGeometry(units.rect(68, 109, 21, 12));
  controls_[kIdField] = identifier_;

  label_ = new QLabel(QStringLiteral("0x"), this);
  label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label_->setGeometry(units.rect(40, 111, 26, 11));
  controls_[kIdLabel] = label_;

  for (const auto& [id, widget] : controls_) {
    widget->setObjectName(QString::number(id));
  }
}

void MainWindow::start() {
  dialog_.on_init();
  control(kPortBox)->setFocus();
  // Centred on the screen, as the template asks.
  if (const QScreen* const where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

QWidget* MainWindow::control(int control_id) const {
  const auto found = controls_.find(control_id);
  return found == controls_.end() ? nullptr : found->second;
}

QComboBox* MainWindow::combo(int control_id) const {
  return qobject_cast<QComboBox*>(control(control_id));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (destroyed_) {
    event->accept();
    return;
  }
  // The logic closes the port, then destroys the window.
  event->ignore();
  dialog_.on_close();
}

std::u16string MainWindow::port_box_text(std::size_t max_chars) {
  return to_u16(combo(kPortBox)->currentText().left(static_cast<qsizetype>(max_chars)));
}

void MainWindow::enable_control(int control_id, bool enabled) {
  if (QWidget* const widget = control(control_id)) {
    widget->setEnabled(enabled);
  }
}

void MainWindow::set_title(std::u16string_view title) {
  setWindowTitle(to_qstring(title));
}

int MainWindow::combo_count(int control_id) {
  QComboBox* const box = combo(control_id);
  return box == nullptr ? 0 : box->count();
}

void MainWindow::combo_delete(int control_id, int index) {
  if (QComboBox* const box = combo(control_id)) {
    box->removeItem(index);
  }
}

void MainWindow::combo_add(int control_id, std::u16string_view text) {
  if (QComboBox* const box = combo(control_id)) {
    box->addItem(to_qstring(text));
  }
}

void MainWindow::combo_select(int control_id, int index) {
  if (QComboBox* const box = combo(control_id)) {
    box->setCurrentIndex(index);
  }
}

int MainWindow::combo_selection(int control_id) {
  QComboBox* const box = combo(control_id);
  return box == nullptr ? -1 : box->currentIndex();
}

void MainWindow::destroy_window() {
  destroyed_ = true;
  hide();
  dialog_.on_destroy();
}

QPushButton* MainWindow::add_button(int control_id, const QString& text) {
  auto* button = new QPushButton(text, this);
  // Enter presses the button that has the focus, as in a Windows dialog; no button is the
  // default, so Enter elsewhere does nothing.
  button->setAutoDefault(true);
  button->setDefault(false);
  const int id = control_id;
  connect(button, &QPushButton::clicked, this, [this, id] { dialog_.on_command(id); });
  controls_[control_id] = button;
  return button;
}

}  // namespace quintrel::qt

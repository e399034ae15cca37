#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ui/control_ids.h"
#include "ui/dialog_layouts.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/qt_text.h"

namespace quintrel::qt {

namespace {

// Items the port box shows before its list scrolls: a bench's hub of adapters at a glance, while
// the open list still fits a small screen.
constexpr int kPortBoxVisibleItems = 15;

}  // namespace

MainWindow::MainWindow(const DialogServices& services)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialog_(*this, services) {
  const DialogUnits units(font());
  setFixedSize(units.size(kMainDialogLayout.cx, kMainDialogLayout.cy));
  // Created in template order, which Qt also takes as the tab order.
  for (const ControlLayout& layout : kMainDialogLayout.controls) {
    QWidget* const widget = add_control(layout, units);
    widget->setObjectName(QString::number(layout.id));
    controls_[layout.id] = widget;
  }
}

QWidget* MainWindow::add_control(const ControlLayout& layout, const DialogUnits& units) {
  const QRect place = units.rect(layout.x, layout.y, layout.cx, layout.cy);
  switch (layout.kind) {
    case ControlKind::kComboBox: {
      auto* box = new QComboBox(this);
      // A drop-down list's text is always one of its entries; the port box's text can be typed,
      // but Enter in it must not add the text to the list.
      box->setEditable((layout.style & kComboTypeBits) != kComboDropDownList);
      box->setInsertPolicy(QComboBox::NoInsert);
      if (layout.id == kPortBox) {
        box->setMaxVisibleItems(kPortBoxVisibleItems);
      }
      // The template's height includes the open list; the closed box takes the style's height.
      box->setGeometry(place.x(), place.y(), place.width(), box->sizeHint().height());
      return box;
    }
    case ControlKind::kEditText:
      identifier_ = new IdentifierEdit(this);
      identifier_->setGeometry(place);
      return identifier_;
    case ControlKind::kRText:
    case ControlKind::kCText:
      label_ = new QLabel(to_qstring(layout.text), this);
      label_->setAlignment(
          (layout.kind == ControlKind::kRText ? Qt::AlignRight : Qt::AlignHCenter) |
          Qt::AlignVCenter);
      label_->setGeometry(place);
      return label_;
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton:
      break;
  }
  auto* button = new QPushButton(to_qstring(layout.text), this);
  button->setGeometry(place);
  // Enter presses the button that has the focus, as in a Windows dialog; the template has no
  // default button, so Enter elsewhere does nothing.
  button->setAutoDefault(true);
  button->setDefault(layout.kind == ControlKind::kDefPushButton);
  const int id = layout.id;
  connect(button, &QPushButton::clicked, this, [this, id] { dialog_.on_command(id); });
  return button;
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

}  // namespace quintrel::qt

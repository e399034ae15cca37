#include "ui/qt/message_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "ui/dialog_layouts.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/message_icons.h"
#include "ui/qt/qt_text.h"

namespace quintrel::qt {

MessageDialog::MessageDialog(QWidget* owner, const MessageRequest& request)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      icon_(message_icon_pixmap(message_icon_for(request.icon_code))) {
  const DialogUnits units(font());
  setFixedSize(units.size(kMessageDialogLayout.cx, kMessageDialogLayout.cy));
  setWindowTitle(to_qstring(request.title));

  for (const ControlLayout& layout : kMessageDialogLayout.controls) {
    QWidget* widget = nullptr;
    if (layout.kind == ControlKind::kCText) {
      // The template's text is a placeholder for the message's own.
      text_ = new QLabel(this);
      text_->setText(to_qstring(request.text));
      text_->setTextFormat(Qt::PlainText);
      text_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
      text_->setWordWrap(true);
      widget = text_;
    } else {
      ok_ = new QPushButton(to_qstring(layout.text), this);
      ok_->setDefault(true);
      connect(ok_, &QPushButton::clicked, this, [this] { done(kMessageOk); });
      widget = ok_;
    }
    widget->setObjectName(QString::number(layout.id));
    widget->setGeometry(units.rect(layout.x, layout.y, layout.cx, layout.cy));
  }
  ok_->setFocus();

  // Placed at the top-left corner of the owner's client area, as the template's 0,0 is.
  if (owner != nullptr) {
    move(owner->mapToGlobal(QPoint(0, 0)));
  }
}

void MessageDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(icon_rect(), icon_);
}

int MessageWindowPresenter::present(OwnerWindow owner, const MessageRequest& request) {
  auto* const owner_widget = static_cast<QWidget*>(owner);
  MessageDialog dialog(owner_widget, request);
  const int result = dialog.exec();
  // The caller may block in a device exchange next: let the owner show itself whole again now
  // that the message is gone.
  if (owner_widget != nullptr) {
    owner_widget->repaint();
  }
  return result;
}

}  // namespace quintrel::qt

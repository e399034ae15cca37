#include "ui/qt/message_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "base/control_ids.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/message_icons.h"
#include "ui/qt/qt_text.h"

namespace quintrel::qt {

namespace {
constexpr int kMessageTextId = 1005;
}  // namespace

MessageDialog::MessageDialog(QWidget* owner, const MessageRequest& request)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      icon_(message_icon_pixmap(message_icon_for(request.icon_code))),
      text_(new QLabel(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)) {
  const DialogUnits units(font());
  setFixedSize(units.size(219, 64));
  setWindowTitle(to_qstring(request.title));

  text_->setObjectName(QString::number(kMessageTextId));
  text_->setText(to_qstring(request.text));
  text_->setTextFormat(Qt::PlainText);
  text_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  text_->setWordWrap(true);
  text_->setGeometry(units.rect(31, 7, 157, 32));

  ok_->setObjectName(QString::number(kMessageOkButton));
  ok_->setGeometry(units.rect(84, 43, 50, 14));
  ok_->setDefault(true);
  ok_->setFocus();
  connect(ok_, &QPushButton::clicked, this, [this] { done(kMessageOk); });

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

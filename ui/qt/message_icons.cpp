#include "ui/qt/message_icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace quintrel::qt {

namespace {

// Size the style's icons are taken at before stretching: the size Qt's own message boxes take
// them at (PM_MessageBoxIconSize, 32 in the common styles).
constexpr int kSystemIconSize = 32;

QPixmap transparent_pixmap(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// An exclamation mark as a bar and a dot, centred on x.
void draw_exclamation(QPainter& painter, qreal x, qreal top, qreal bottom, qreal width) {
  const qreal dot = width * 1.1;
  const qreal bar_bottom = bottom - dot * 1.6;
  QPainterPath bar;
  bar.moveTo(x - width / 2, top);
  bar.lineTo(x + width / 2, top);
  bar.lineTo(x + width * 0.3, bar_bottom);
  bar.lineTo(x - width * 0.3, bar_bottom);
  bar.closeSubpath();
  painter.drawPath(bar);
  painter.drawEllipse(QRectF(x - dot / 2, bottom - dot, dot, dot));
}

// 105: a yellow warning triangle with a black exclamation mark, 39 x 35.
QPixmap warning_triangle() {
  QPixmap pixmap = transparent_pixmap(39, 35);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath triangle;
  triangle.moveTo(19.5, 1.5);
  triangle.lineTo(37.5, 33.5);
  triangle.lineTo(1.5, 33.5);
  triangle.closeSubpath();
  painter.setPen(QPen(QColor(0x80, 0x60, 0x00), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(QColor(0xFF, 0xD2, 0x00));
  painter.drawPath(triangle);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  draw_exclamation(painter, 19.5, 11, 30, 4);
  return pixmap;
}

// 106: a red disc with a white diagonal cross, 32 x 32.
QPixmap error_disc() {
  QPixmap pixmap = transparent_pixmap(32, 32);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x90, 0x00, 0x00), 1.5));
  painter.setBrush(QColor(0xE0, 0x10, 0x10));
  painter.drawEllipse(QRectF(1, 1, 30, 30));
  painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(10, 10), QPointF(22, 22));
  painter.drawLine(QPointF(22, 10), QPointF(10, 22));
  return pixmap;
}

// 107: a black exclamation mark on a transparent ground, 32 x 32.
QPixmap exclamation() {
  QPixmap pixmap = transparent_pixmap(32, 32);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  draw_exclamation(painter, 16, 2, 30, 7);
  return pixmap;
}

QPixmap standard(QStyle::StandardPixmap which) {
  return QApplication::style()->standardIcon(which).pixmap(kSystemIconSize, kSystemIconSize);
}

}  // namespace

QPixmap message_icon_pixmap(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kSystemWarning:
      return standard(QStyle::SP_MessageBoxWarning);
    case MessageIcon::kSystemInformation:
      return standard(QStyle::SP_MessageBoxInformation);
    case MessageIcon::kSystemQuestion:
      return standard(QStyle::SP_MessageBoxQuestion);
    case MessageIcon::kSystemLogo:
      return standard(QStyle::SP_ComputerIcon);
    case MessageIcon::kSystemApplication:
      return standard(QStyle::SP_DesktopIcon);
    case MessageIcon::kProgramWarningTriangle:
      return warning_triangle();
    case MessageIcon::kProgramErrorDisc:
      return error_disc();
    case MessageIcon::kProgramExclamation:
      return exclamation();
    case MessageIcon::kSystemError:
      break;
  }
  return standard(QStyle::SP_MessageBoxCritical);
}

}  // namespace quintrel::qt

#include "ui/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace quintrel::qt {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average width of the 52 Latin letters, rounded, as Windows measures a dialog font.
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  base_x_ = (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
  base_y_ = metrics.height();
}

QRect DialogUnits::rect(int x_units, int y_units, int width_units, int height_units) const {
  // Edges are converted, not sizes, so that neighbouring controls meet as in the template.
  const int left = x(x_units);
  const int top = y(y_units);
  return {left, top, x(x_units + width_units) - left, y(y_units + height_units) - top};
}

}  // namespace quintrel::qt

// Dialog units of the Windows templates turned into pixels for the font a Qt window uses, the way
// the Windows dialog manager does it: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace quintrel::qt {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int x(int units) const { return (units * base_x_ + 2) / 4; }
  int y(int units) const { return (units * base_y_ + 4) / 8; }
  QRect rect(int x_units, int y_units, int width_units, int height_units) const;
  QSize size(int width_units, int height_units) const { return {x(width_units), y(height_units)}; }

 private:
  int base_x_;
  int base_y_;
};

}  // namespace quintrel::qt

// UTF-16 text between the portable code (std::u16string) and Qt (QString), unchanged.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quintrel::qt {

inline QString to_qstring(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string to_u16(const QString& text) {
  return text.toStdU16String();
}

}  // namespace quintrel::qt

// The message window's icons on Qt: the style's standard icons for the system codes, and the
// program's own three drawings (105 warning triangle, 106 red disc with a cross, 107 exclamation
// mark), drawn here at their Windows sizes.
#pragma once

#include <QPixmap>

#include "ui/show_message.h"

namespace quintrel::qt {

// The icon at its own size; the message window stretches it to 40 x 40.
QPixmap message_icon_pixmap(MessageIcon icon);

}  // namespace quintrel::qt

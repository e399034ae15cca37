#include "ui/qt/identifier_edit.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

#include "ui/qt/qt_text.h"

namespace quintrel::qt {

namespace {

// The caret keys the field looks at, by virtual-key code.
struct KeyCode {
  int qt_key;
  FieldWParam virtual_key;
};
constexpr KeyCode kFieldKeys[] = {
    {Qt::Key_Home, kVkHome},     {Qt::Key_End, kVkEnd},       {Qt::Key_Left, kVkLeft},
    {Qt::Key_Right, kVkRight},   {Qt::Key_Up, kVkUp},         {Qt::Key_Down, kVkDown},
    {Qt::Key_Insert, kVkInsert}, {Qt::Key_Delete, kVkDelete},
};

}  // namespace

IdentifierEdit::IdentifierEdit(QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

std::u16string IdentifierEdit::read_text(std::size_t max_chars) {
  return to_u16(text().left(static_cast<qsizetype>(max_chars)));
}

void IdentifierEdit::write_text(std::u16string_view new_text) {
  setText(to_qstring(new_text));
}

FieldSelection IdentifierEdit::selection() {
  if (hasSelectedText()) {
    return {selectionStart(), selectionEnd()};
  }
  const int caret = cursorPosition();
  return {caret, caret};
}

void IdentifierEdit::set_selection(FieldSelection range) {
  const auto length = static_cast<int>(text().size());
  const int start = std::clamp(range.start, 0, length);
  const int end = std::clamp(range.end, 0, length);
  if (start == end) {
    setCursorPosition(start);
  } else {
    // Like EM_SETSEL, the caret ends up at the end given.
    setSelection(start, end - start);
  }
}

FieldResult IdentifierEdit::forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  switch (message) {
    case kWmChar:
    case kWmImeChar:
      if (wparam == kCharBackspace) {
        backspace();
      } else {
        insert(QString(QChar(static_cast<char16_t>(wparam))));
      }
      return 0;
    case kWmCut:
      cut();
      return 0;
    case kWmCopy:
      copy();
      return 0;
    case kWmPaste:
      paste();
      return 0;
    case kWmClear:
      del();
      return 0;
    case kWmUndo:
      undo();
      return 0;
    case kEmSetSel:
      set_selection({static_cast<int>(wparam),
                     lparam < 0 ? static_cast<int>(text().size()) : static_cast<int>(lparam)});
      return 0;
    case kWmKeyDown:
      if (cause_ != nullptr && cause_->type() == QEvent::KeyPress) {
        QLineEdit::keyPressEvent(static_cast<QKeyEvent*>(cause_));
        return 0;
      }
      for (const KeyCode& code : kFieldKeys) {
        if (code.virtual_key == wparam) {
          QKeyEvent press(QEvent::KeyPress, code.qt_key, Qt::NoModifier);
          QLineEdit::keyPressEvent(&press);
        }
      }
      return 0;
    default:
      // Focus, mouse, input-method and drop events: the line edit's own handling.
      return cause_ != nullptr && QLineEdit::event(cause_) ? 1 : 0;
  }
}

std::u16string IdentifierEdit::clipboard_text() {
  return to_u16(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
}

bool IdentifierEdit::shift_held() {
  if (cause_ != nullptr && cause_->type() == QEvent::KeyPress) {
    return static_cast<QKeyEvent*>(cause_)->modifiers().testFlag(Qt::ShiftModifier);
  }
  return QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}

QMenu* IdentifierEdit::create_edit_menu() {
  auto* menu = new QMenu(this);
  const auto add = [this, menu](const QString& label, FieldMessage message, bool enabled,
                                FieldWParam wparam = 0, FieldLParam lparam = 0) {
    QAction* action = menu->addAction(label);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, [this, message, wparam, lparam] {
      numeric_field_proc(window(), message, wparam, lparam);
    });
  };
  const bool selected = hasSelectedText();
  add(QStringLiteral("&Undo"), kWmUndo, isUndoAvailable());
  menu->addSeparator();
  add(QStringLiteral("Cu&t"), kWmCut, selected);
  add(QStringLiteral("&Copy"), kWmCopy, selected);
  add(QStringLiteral("&Paste"), kWmPaste,
      !QGuiApplication::clipboard()->text(QClipboard::Clipboard).isEmpty());
  add(QStringLiteral("&Delete"), kWmClear, selected);
  menu->addSeparator();
  add(QStringLiteral("Select &All"), kEmSetSel, !text().isEmpty(), 0, -1);
  return menu;
}

bool IdentifierEdit::event(QEvent* event) {
  if (!routed_) {
    return QLineEdit::event(event);
  }
  switch (event->type()) {
    case QEvent::KeyPress:
      return key_press(static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
      send(kWmSetFocus, 0, event);
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
      const bool press = event->type() != QEvent::MouseButtonRelease;
      if (button == Qt::LeftButton) {
        send(event->type() == QEvent::MouseButtonDblClick ? kWmLButtonDblClk
             : press                                      ? kWmLButtonDown
                                                          : kWmLButtonUp,
             0, event);
        return true;
      }
      if (button == Qt::MiddleButton) {  // pastes the X selection
        send(press ? kWmMButtonDown : kWmMButtonUp, 0, event);
        return true;
      }
      break;
    }
    case QEvent::InputMethod:
      send(kWmImeComposition, 0, event);
      return true;
    case QEvent::Drop:
      send(kWmNull, 0, event);
      return true;
    default:
      break;
  }
  return QLineEdit::event(event);
}

void IdentifierEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (!routed_) {
    QLineEdit::contextMenuEvent(event);
    return;
  }
  QMenu* menu = create_edit_menu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

bool IdentifierEdit::key_press(QKeyEvent* event) {
  const int key = event->key();
  const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
  const bool alt = event->modifiers().testFlag(Qt::AltModifier);
  switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // The window's keys, not the field's.
      return QLineEdit::event(event);
    case Qt::Key_Backspace:
      // Ctrl+Backspace types DEL (0x7F) in a Windows edit.
      send(kWmChar, ctrl ? 0x7F : kCharBackspace, event);
      return true;
    default:
      break;
  }
  for (const KeyCode& code : kFieldKeys) {
    if (code.qt_key == key) {
      send(kWmKeyDown, code.virtual_key, event);
      return true;
    }
  }
  if (ctrl && !alt && key >= Qt::Key_A && key <= Qt::Key_Z) {
    // Ctrl+letter types a control character, as Windows translates it (Ctrl+V gives 0x16).
    send(kWmChar, static_cast<FieldWParam>(key - Qt::Key_A + 1), event);
    return true;
  }
  const QString typed = event->text();
  if (!typed.isEmpty() && typed.front() >= QChar(0x20) && typed.front() != QChar(0x7F)) {
    for (const QChar c : typed) {
      send(kWmChar, c.unicode(), event);
    }
    return true;
  }
  // Any other key goes to the line edit as a key-down the field passes on.
  send(kWmKeyDown, 0, event);
  return true;
}

void IdentifierEdit::send(FieldMessage message, FieldWParam wparam, QEvent* cause) {
  QEvent* const outer = cause_;
  cause_ = cause;
  numeric_field_proc(window(), message, wparam, 0);
  cause_ = outer;
}

}  // namespace quintrel::qt

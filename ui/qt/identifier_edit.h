// The identifier field (control 1012) as a Qt line edit. Once the field routes its messages, every
// event that can change the text is turned into the window message numeric_field_proc decides on
// (keys, characters, focus, mouse buttons, input-method text, drops), and the context menu sends
// the edit-menu messages of a Windows edit control. What the field forwards is handled by
// QLineEdit with the original event, and the field checks what that did to the text.
#pragma once

#include <QLineEdit>
#include <string>

#include "ui/numeric_field.h"

class QMenu;

namespace quintrel::qt {

class IdentifierEdit final : public QLineEdit, public EditControl {
 public:
  explicit IdentifierEdit(QWidget* parent = nullptr);
  ~IdentifierEdit() override { forget_field_control(window()); }

  FieldWindow window() override { return static_cast<EditControl*>(this); }
  std::u16string read_text(std::size_t max_chars) override;
  void write_text(std::u16string_view text) override;
  FieldSelection selection() override;
  void set_selection(FieldSelection selection) override;
  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) override;
  void route_messages_to_field() override { routed_ = true; }
  std::u16string clipboard_text() override;
  bool shift_held() override;

  // The edit menu the context menu shows: Undo, Cut, Copy, Paste, Delete, Select All, each
  // sending its window message through the field. The caller owns the menu.
  QMenu* create_edit_menu();

 protected:
  bool event(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool key_press(QKeyEvent* event);
  // Sends a message to the field while the Qt event that caused it is being handled.
  void send(FieldMessage message, FieldWParam wparam, QEvent* cause);

  bool routed_ = false;
  QEvent* cause_ = nullptr;
};

}  // namespace quintrel::qt

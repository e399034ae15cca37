// The message window on Qt: template 108 laid out in the font's dialog units, the icon stretched
// to 40 x 40 pixels at 10,10, the text centred and wrapped, one OK button that is the default.
// OK and Enter end it with 1006; Esc and the close box with 2.
#pragma once

#include <QDialog>
#include <QPixmap>

#include "ui/dialog_layouts.h"
#include "ui/show_message.h"

class QLabel;
class QPushButton;

namespace quintrel::qt {

class MessageDialog final : public QDialog {
 public:
  MessageDialog(QWidget* owner, const MessageRequest& request);

  // Esc and the close box.
  void reject() override { done(kMessageDismissed); }

  QLabel* text_label() const { return text_; }
  QPushButton* ok_button() const { return ok_; }
  // The icon's place in the window.
  static QRect icon_rect() {
    return {kMessageIconPosition, kMessageIconPosition, kMessageIconSize, kMessageIconSize};
  }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap icon_;
  QLabel* text_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// Shows every message of the program in a MessageDialog owned by the main window.
class MessageWindowPresenter final : public MessagePresenter {
 public:
  int present(OwnerWindow owner, const MessageRequest& request) override;
};

}  // namespace quintrel::qt

// The main window on Qt: template 101's controls at their template places, scaled from dialog
// units to the window's font, in the template's tab order, driven by MainDialog. The window has a
// fixed size and no default button; Esc and Enter do nothing, and it closes only through the close
// button or the window manager, which runs MainDialog's closing (the port is closed first).
#pragma once

#include <QWidget>
#include <map>

#include "ui/dialog_layouts.h"
#include "ui/main_dialog.h"
#include "ui/qt/identifier_edit.h"

class QComboBox;
class QLabel;

namespace quintrel::qt {

class DialogUnits;

class MainWindow final : public QWidget, private MainView {
  Q_OBJECT

 public:
  explicit MainWindow(const DialogServices& services);

  // Runs the window's start-up; the port box then has the focus.
  void start();

  // A control by its template id (1001..1012); null for any other id.
  QWidget* control(int control_id) const;
  QComboBox* combo(int control_id) const;
  IdentifierEdit* identifier_field() const { return identifier_; }
  QLabel* identifier_label() const { return label_; }
  const MainDialog& dialog() const { return dialog_; }

 Q_SIGNALS:
  // The window is gone and the program should end with this code.
  void quit_requested(int exit_code);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  OwnerWindow owner() override { return static_cast<QWidget*>(this); }
  std::u16string port_box_text(std::size_t max_chars) override;
  void enable_control(int control_id, bool enabled) override;
  void set_title(std::u16string_view title) override;
  int combo_count(int control_id) override;
  void combo_delete(int control_id, int index) override;
  void combo_add(int control_id, std::u16string_view text) override;
  void combo_select(int control_id, int index) override;
  int combo_selection(int control_id) override;
  EditControl& identifier_edit() override { return *identifier_; }
  void destroy_window() override;
  void post_quit(int exit_code) override { Q_EMIT quit_requested(exit_code); }

  // Makes the control of a template entry, at its place.
  QWidget* add_control(const ControlLayout& layout, const DialogUnits& units);

  MainDialog dialog_;
  std::map<int, QWidget*> controls_;
  IdentifierEdit* identifier_ = nullptr;
  QLabel* label_ = nullptr;
  bool destroyed_ = false;
};

}  // namespace quintrel::qt

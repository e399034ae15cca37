// The Qt Test classes of the window layer; qt_tests_main runs the one named on its command line.
#pragma once

#include <QObject>
#include <QWidget>
#include <memory>
#include <optional>

#include "ui/qt/identifier_edit.h"
#include "ui/qt/message_dialog.h"

namespace quintrel::qt::test {

class MessageDialogTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void answers_give_ok_or_dismissed_data();
  void answers_give_ok_or_dismissed();
  void layout_follows_the_template();
  void icon_is_stretched_to_40_at_10_10();
  void icon_follows_the_code();

 private:
  std::unique_ptr<QWidget> owner_;
  MessageWindowPresenter presenter_;
};

class IdentifierEditTest final : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init();
  void cleanup();
  void keys_follow_the_field_rules_data();
  void keys_follow_the_field_rules();
  void focus_selects_the_digits();
  void pasting_is_checked_whole_data();
  void pasting_is_checked_whole();
  void other_ways_in_are_guarded_data();
  void other_ways_in_are_guarded();
  void undo_and_cut_never_leave_it_empty();
  void destroyed_edit_is_forgotten();

 private:
  std::unique_ptr<QWidget> window_;
  IdentifierEdit* edit_ = nullptr;
};

class MainWindowTest final : public QObject {
  Q_OBJECT

 public:
  MainWindowTest();
  ~MainWindowTest() override;

 private Q_SLOTS:
  void init();
  void cleanup();
  void start_up_state();
  void com_open_reads_the_device();
  void typed_and_pasted_identifier_is_saved();
  void save_answered_each_way();
  void buzz_off();
  void failed_open_shows_two_messages();
  void esc_and_enter_do_nothing();
  void closing_while_open_closes_the_port();
  // Saves the window after a read to the PNG file named by QUINTREL_SCREENSHOT
  // (scripts/screenshot).
  void screenshot_after_read();

 private:
  struct Fixture;
  std::unique_ptr<Fixture> fixture_;
};

}  // namespace quintrel::qt::test

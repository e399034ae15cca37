#include "ui/main_dialog.h"

#include "base/control_ids.h"
#include "base/message_texts.h"
#include "base/show_message.h"
#include "ports/port_list.h"

namespace quintrel {

namespace {

// The port box as fill_port_list sees it.
class ViewPortBox final : public PortBox {
 public:
  explicit ViewPortBox(MainView& view) : view_(view) {}
  int entry_count() override { return view_.combo_count(kPortBox); }
  void delete_entry(int index) override { view_.combo_delete(kPortBox, index); }
  void add_entry(std::u16string_view text) override { view_.combo_add(kPortBox, text); }
  void select_entry(int index) override { view_.combo_select(kPortBox, index); }

 private:
  MainView& view_;
};

}  // namespace

void MainDialog::on_init() {
  view_.set_title(kMainDialogTitle);
  fill_ports();
  view_.enable_control(kComOpenButton, true);
  view_.enable_control(kComCloseButton, false);
  for (const char16_t* name : kBitrateNames) {
    view_.combo_add(kBitrateList, name);
  }
  view_.combo_select(kBitrateList, kBitrateInvalid);
  install_numeric_field(view_.identifier_edit(), u"0", u"", 16, kIdentifierMaximum);
}

void MainDialog::on_command(int control_id) {
  switch (control_id) {
    case kComOpenButton:
      open_port(view_);
      // Read whatever the open did: after a failed open the operator learns the port is not open.
      read_settings(view_.owner(), *this);
      break;
    case kReadingButton:
      read_settings(view_.owner(), *this);
      break;
    case kComCloseButton:
      close_port(view_);
      break;
    case kSearchAgainButton:
      fill_ports();
      break;
    case kSaveSettingsButton:
      save();
      break;
    case kBuzzOffButton:
      buzzer_off(view_.owner());
      break;
    default:
      break;
  }
}

void MainDialog::on_close() {
  close_port(view_);
  view_.destroy_window();
}

void MainDialog::on_destroy() {
  view_.post_quit(0);
}

void MainDialog::apply_bitrate(BitrateCode code) {
  view_.combo_select(kBitrateList, code);
}

void MainDialog::apply_identifier(std::uint32_t identifier) {
  set_field_value(view_.identifier_edit().window(), identifier);
}

void MainDialog::fill_ports() {
  ViewPortBox box(view_);
  fill_port_list(box);
}

void MainDialog::save() {
  // Only a question answered with OK lets the writes go on; a dismissal or a message window that
  // could not be shown sends nothing.
  if (show_message(kKindWarning, view_.owner(), messages::kSaveQuestion, messages::kNoTitle) !=
      kMessageOk) {
    return;
  }
  const int index = view_.combo_selection(kBitrateList);
  const std::u16string identifier = get_field_text(view_.identifier_edit().window());
  if (save_settings(view_.owner(), index, identifier) == 0) {
    show_message(kKindWarning, view_.owner(), messages::kSaved, messages::kNoTitle);
  }
}

}  // namespace quintrel

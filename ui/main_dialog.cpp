#include "ui/main_dialog.h"

#include "base/message_texts.h"
#include "ui/control_ids.h"

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
      open_port();
      // Read whatever the open did: after a failed open the operator learns the port is not open.
      read();
      break;
    case kReadingButton:
      read();
      break;
    case kComCloseButton:
      close_port();
      break;
    case kSearchAgainButton:
      fill_ports();
      break;
    case kSaveSettingsButton:
      save();
      break;
    case kBuzzOffButton:
      shown_ok(buzzer_off(link_));
      break;
    default:
      break;
  }
}

void MainDialog::on_close() {
  close_port();
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

// The port named in the port box; on success the port controls switch to their open state, a
// failure leaves them as they are (re-opening closes first).
void MainDialog::open_port() {
  std::u16string box_text = view_.port_box_text(kPortTextMax);
  if (box_text.size() > kPortTextMax) {
    box_text.resize(kPortTextMax);
  }
  if (!shown_ok(link_.open(port_name_from_box_text(box_text)))) {
    return;
  }
  view_.enable_control(kComOpenButton, false);
  view_.enable_control(kSearchAgainButton, false);
  view_.enable_control(kPortBox, false);
  view_.enable_control(kComCloseButton, true);
}

void MainDialog::close_port() {
  link_.close();
  view_.enable_control(kComOpenButton, true);
  view_.enable_control(kSearchAgainButton, true);
  view_.enable_control(kPortBox, true);
  view_.enable_control(kComCloseButton, false);
}

void MainDialog::read() {
  shown_ok(read_settings(link_, *this));
}

void MainDialog::fill_ports() {
  ViewPortBox box(view_);
  fill_port_list(box, port_scanner_);
}

void MainDialog::save() {
  // Only a question answered with OK lets the writes go on; a dismissal or a message window that
  // could not be shown sends nothing.
  if (show_message(presenter_, kKindWarning, view_.owner(), messages::kSaveQuestion,
                   messages::kNoTitle) != kMessageOk) {
    return;
  }
  const int index = view_.combo_selection(kBitrateList);
  const std::u16string identifier = get_field_text(view_.identifier_edit().window());
  if (shown_ok(save_settings(link_, index, identifier))) {
    show_message(presenter_, kKindWarning, view_.owner(), messages::kSaved, messages::kNoTitle);
  }
}

bool MainDialog::shown_ok(const LinkOutcome& outcome) {
  if (const std::u16string text = outcome.message(); !text.empty()) {
    show_message(presenter_, kKindError, view_.owner(), text, outcome.title());
  }
  return outcome.ok();
}

}  // namespace quintrel

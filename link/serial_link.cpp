#include "link/serial_link.h"

#include "ui/control_ids.h"
#include "ui/messages.h"

namespace quintrel {

namespace {

SerialBackend* g_backend = nullptr;

void fail_open(PortDialog& dialog, LinkStatus status, const char16_t* text) {
  serial_link().device.reset();
  serial_link().last_status = status;
  show_message(kKindError, dialog.owner(), text, messages::kNoTitle);
}

}  // namespace

SerialLink& serial_link() {
  static SerialLink link;
  return link;
}

SerialBackend* serial_backend() {
  return g_backend;
}

void install_serial_backend(SerialBackend* backend) {
  g_backend = backend;
}

std::u16string port_name_from_box_text(std::u16string_view box_text) {
  return std::u16string(box_text.substr(0, box_text.find(u'(')));
}

void open_port(PortDialog& dialog) {
  std::u16string box_text = dialog.port_box_text(kPortBoxTextMax);
  if (box_text.size() > kPortBoxTextMax) {
    box_text.resize(kPortBoxTextMax);
  }
  const std::u16string name = port_name_from_box_text(box_text);

  SerialLink& link = serial_link();
  link.device.reset();  // re-opening closes first; the controls stay as they are

  if (g_backend != nullptr) {
    link.device = g_backend->open_exclusive(name);
  }
  if (!link.is_open()) {
    fail_open(dialog, LinkStatus::kCannotOpen, messages::kPortCannotOpen);
    return;
  }
  if (!link.device->read_line_settings()) {
    fail_open(dialog, LinkStatus::kCannotGetSettings, messages::kCannotGetSettings);
    return;
  }
  if (!link.device->write_line_settings()) {
    fail_open(dialog, LinkStatus::kCannotSetSettings, messages::kCannotSetPort);
    return;
  }
  link.device->set_short_timeouts();
  link.device->raise_dtr();
  link.device->raise_rts();
  link.last_status = LinkStatus::kOk;

  dialog.enable_control(kComOpenButton, false);
  dialog.enable_control(kSearchAgainButton, false);
  dialog.enable_control(kPortBox, false);
  dialog.enable_control(kComCloseButton, true);
}

void close_port(PortDialog& dialog) {
  serial_link().device.reset();
  dialog.enable_control(kComOpenButton, true);
  dialog.enable_control(kSearchAgainButton, true);
  dialog.enable_control(kPortBox, true);
  dialog.enable_control(kComCloseButton, false);
}

}  // namespace quintrel

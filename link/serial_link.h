// The one serial connection of the process, and the operations that open and close it for the
// main dialog.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "link/link_status.h"
#include "link/serial_device.h"
#include "ui/message.h"

namespace quintrel {

struct SerialLink {
  std::unique_ptr<SerialDevice> device;  // null while closed; the link starts closed
  // How the last open_port, send_command or receive_reply ended; every setting command ends with
  // one of these, so after any operation this says why it failed.
  LinkStatus last_status = LinkStatus::kOk;

  bool is_open() const { return device != nullptr; }
};

SerialLink& serial_link();

// What open_port and close_port need of the main dialog.
class PortDialog {
 public:
  virtual ~PortDialog() = default;
  virtual OwnerWindow owner() = 0;
  // The port box's current text, at most max_chars UTF-16 units.
  virtual std::u16string port_box_text(std::size_t max_chars) = 0;
  virtual void enable_control(int control_id, bool enabled) = 0;
};

inline constexpr std::size_t kPortBoxTextMax = 299;

// Text before the first "(" (the whole text when there is none); neither trimmed nor validated.
std::u16string port_name_from_box_text(std::u16string_view box_text);

// Opens the port named in the port box at 38400 8N1 with DTR and RTS raised; on success the port
// controls switch to their open state. A failure is shown and leaves the link closed and the
// controls untouched. last_status says which step failed.
void open_port(PortDialog& dialog);

// Closes the port if open and switches the port controls to their closed state.
void close_port(PortDialog& dialog);

}  // namespace quintrel

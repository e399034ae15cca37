// The serial backend of the page: the Web Serial port the page opened and handed to this worker.
// The bytes travel through the port's streams in the worker (web/site/serial-channel.js keeps the
// received bytes); opening, closing and the line signals are asked of the page.
#pragma once

#include "link/serial_port.h"

namespace quintrel::web {

class WebSerialBackend final : public SerialBackend {
 public:
  // The page opens the port it holds at 38400 8N1; the name is only shown in the trace.
  OpenedPort open_exclusive(std::u16string_view port_name) override;
};

}  // namespace quintrel::web

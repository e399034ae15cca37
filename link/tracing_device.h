// A serial backend that passes everything through to another one and writes each frame sent and
// received to a text stream, in hex with the milliseconds since the trace began:
//      31 ms  -> 02 63 63 65 62 72 03 76
//      32 ms  <- 02 33 03 30
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string_view>

#include "link/clock.h"
#include "link/serial_device.h"

namespace quintrel {

class TracingBackend final : public SerialBackend {
 public:
  // The clock is asked at every traced event; it must outlive the backend and its devices.
  TracingBackend(SerialBackend& inner, std::ostream& out, Clock& clock);

  std::unique_ptr<SerialDevice> open_exclusive(std::u16string_view port_name) override;
  std::string last_open_failure() override { return inner_.last_open_failure(); }

 private:
  SerialBackend& inner_;
  std::ostream& out_;
  Clock& clock_;
  std::uint32_t start_ms_;
};

}  // namespace quintrel

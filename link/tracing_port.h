// A serial backend that passes everything through to another one and writes each frame sent and
// received to a text stream, in hex with the milliseconds since the trace began:
//      31 ms  -> 02 63 63 65 62 72 03 76
//      32 ms  <- 02 33 03 30
// The precise form stamps with microseconds of a clock every process on the machine shares, gives
// each line its first and last byte's time (a byte sent: when its write began; a byte received:
// when its read returned), and marks the purge that starts every exchange, so the trace lines up
// with the simulated device's log:
//   81234.512 ms  purge
//   81244.601 ms .. 81264.934 ms  -> 02 63 63 65 62 72 03 76
//   81265.011 ms .. 81265.020 ms  <- 02 33 03 30
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string_view>

#include "link/clock.h"
#include "link/monotonic_clock.h"
#include "link/serial_port.h"

namespace quintrel {

class TracingBackend final : public SerialBackend {
 public:
  // Milliseconds since the trace began. The clock is asked at every traced event; it must outlive
  // the backend and its devices.
  TracingBackend(SerialBackend& inner, std::ostream& out, Clock& clock);
  // The precise form, on the given clock (which must outlive the backend and its devices).
  TracingBackend(SerialBackend& inner, std::ostream& out, MicrosecondClock& clock);

  OpenedPort open_exclusive(std::u16string_view port_name) override;
  std::string other_holders(std::u16string_view port_name) override {
    return inner_.other_holders(port_name);
  }

  // Where a traced device takes its times from.
  struct TimeSource {
    Clock* since_start = nullptr;  // milliseconds since start_ms
    std::uint32_t start_ms = 0;
    MicrosecondClock* precise = nullptr;  // the precise form when set
  };

 private:
  SerialBackend& inner_;
  std::ostream& out_;
  TimeSource times_;
};

}  // namespace quintrel

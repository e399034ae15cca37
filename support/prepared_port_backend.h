// A backend that hands out a port made beforehand, so that the fuzz harnesses and the benchmark
// open their in-memory ports through SerialLink::open, as the programs open theirs.
#pragma once

#include <memory>
#include <string_view>

#include "link/serial_link.h"
#include "link/serial_port.h"

namespace quintrel::test {

class PreparedPortBackend final : public SerialBackend {
 public:
  // Hands out the prepared port; with none prepared the open fails as for a missing port.
  OpenedPort open_exclusive(std::u16string_view) override {
    if (port_ == nullptr) {
      return {nullptr, OpenFailure::kMissing, {}};
    }
    return {std::move(port_), OpenFailure::kNone, {}};
  }

  // Opens link, made over this backend, on port, which the link owns from then on. Returns the
  // port, for the caller to keep watching, or null when the open failed.
  template <typename Port>
  Port* open(SerialLink& link, std::unique_ptr<Port> port) {
    Port* const opened = port.get();
    port_ = std::move(port);
    return &link.backend() == this && link.open(u"prepared").ok() ? opened : nullptr;
  }

 private:
  std::unique_ptr<SerialPort> port_;
};

}  // namespace quintrel::test

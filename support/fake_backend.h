// A backend that hands out a port made beforehand, so that the tests, the fuzz harnesses and the
// benchmark open their in-memory ports through SerialLink::open, as the programs open theirs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_link.h"
#include "link/serial_port.h"

namespace quintrel::test {

// Hands out one prepared port, or fails when there is none.
class FakeBackend final : public SerialBackend {
 public:
  OpenedPort open_exclusive(std::u16string_view port_name) override {
    opened_names.emplace_back(port_name);
    if (next_port == nullptr) {
      return {nullptr, failure_kind, failure};
    }
    return {std::move(next_port), OpenFailure::kNone, {}};
  }
  std::string other_holders(std::u16string_view port_name) override {
    holder_looks.emplace_back(port_name);
    return holders;
  }

  // Opens link, made over this backend, on port, which the link owns from then on. Returns the
  // port, for the caller to keep watching, or null when the open failed.
  template <typename Port>
  Port* open(SerialLink& link, std::unique_ptr<Port> port) {
    Port* const opened = port.get();
    next_port = std::move(port);
    return &link.backend() == this && link.open(u"prepared").ok() ? opened : nullptr;
  }

  std::unique_ptr<SerialPort> next_port;
  std::vector<std::u16string> opened_names;
  std::string failure;  // why an open without a prepared port fails
  OpenFailure failure_kind = OpenFailure::kOther;
  std::string holders;                       // what other_holders answers
  std::vector<std::u16string> holder_looks;  // every port other_holders was asked about
};

}  // namespace quintrel::test

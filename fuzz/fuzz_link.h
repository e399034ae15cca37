// A harness's link: its port opened through SerialLink::open on a virtual clock, and a presenter
// that counts the messages a window would show for the outcomes it is given.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "fuzz/fuzz_check.h"
#include "link/link_outcome.h"
#include "link/serial_link.h"
#include "support/fake_backend.h"
#include "support/virtual_clock.h"

struct CountingPresenter {
  // Counts the outcome's message, if it has one, and keeps its text; whether the operation
  // succeeded.
  bool show(const quintrel::LinkOutcome& outcome) {
    if (std::u16string text = outcome.message(); !text.empty()) {
      ++shown;
      last_text = std::move(text);
    }
    return outcome.ok();
  }
  int shown = 0;
  std::u16string last_text;
};

// Port: the harness's SerialPort, made from the clock.
template <typename Port>
struct FuzzLink {
  FuzzLink() : port(backend.open(link, std::make_unique<Port>(clock))) {
    FUZZ_CHECK(port != nullptr);
  }
  quintrel::test::VirtualClock clock;
  CountingPresenter presenter;
  quintrel::test::FakeBackend backend;
  quintrel::SerialLink link{backend, clock};
  Port* port;  // owned by the link
};

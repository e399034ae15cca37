// The page's millisecond clock: performance.now() for the time-outs, a timer for the pauses.
#pragma once

#include <cstdint>

#include "link/clock.h"

namespace quintrel::web {

class BrowserClock final : public Clock {
 public:
  std::uint32_t now_ms() override;
  // Suspends the module (Asyncify) until a timer fires; the worker keeps running meanwhile.
  void sleep_ms(std::uint32_t ms) override;
};

}  // namespace quintrel::web

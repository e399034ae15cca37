#include "web/core/browser_clock.h"

#include <emscripten.h>

namespace quintrel::web {

// clang-format off
EM_ASYNC_JS(void, js_sleep_ms, (unsigned ms), {
  await new Promise((resolve) => setTimeout(resolve, ms));
});
// clang-format on

std::uint32_t BrowserClock::now_ms() {
  // performance.now() never goes back; the link only uses wrapping differences of it.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

void BrowserClock::sleep_ms(std::uint32_t ms) {
  js_sleep_ms(ms);
}

}  // namespace quintrel::web

#include "link/clock.h"

#include <utility>

namespace quintrel {

namespace {
Clock* g_installed_clock = nullptr;
}  // namespace

Clock& link_clock() {
  return g_installed_clock != nullptr ? *g_installed_clock : system_clock();
}

Clock* install_link_clock(Clock* clock) {
  return std::exchange(g_installed_clock, clock);
}

}  // namespace quintrel

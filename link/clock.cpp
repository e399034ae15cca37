#include "link/clock.h"

namespace quintrel {

namespace {
Clock* g_installed_clock = nullptr;
}  // namespace

Clock& link_clock() {
  return g_installed_clock != nullptr ? *g_installed_clock : system_clock();
}

void install_link_clock(Clock* clock) {
  g_installed_clock = clock;
}

}  // namespace quintrel

// A clock whose time moves only when told: sleep_ms adds its pause at once, and the fake ports
// around it move `now` as their reads wait. Shared by the tests, the fuzz harnesses and the
// benchmark, so the code under test sees one kind of virtual time everywhere.
#pragma once

#include <cstdint>
#include <vector>

#include "link/clock.h"

namespace quintrel::test {

class VirtualClock final : public Clock {
 public:
  std::uint32_t now_ms() override { return now; }
  void sleep_ms(std::uint32_t ms) override {
    if (keep_sleeps) {
      sleeps.push_back(ms);
    }
    now += ms;
  }

  std::uint32_t now = 0;
  // Off where pauses run by the million (fuzzing, the benchmark): keeping them would allocate.
  bool keep_sleeps = false;
  std::vector<std::uint32_t> sleeps;
};

}  // namespace quintrel::test

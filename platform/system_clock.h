// The platform's millisecond clock (platform/linux/linux_clock.cpp, platform/windows/
// win32_clock.cpp): what a program's links are timed by outside the tests.
#pragma once

#include "link/clock.h"

namespace quintrel {

Clock& system_clock();

}  // namespace quintrel

// Sizes given for 96 DPI, scaled to a window's DPI (the program is per-monitor DPI aware).
#pragma once

#include <windows.h>

namespace quintrel {

inline constexpr UINT kBaseDpi = 96;

// The window's DPI: its monitor's under per-monitor awareness, else the system's.
UINT window_dpi(HWND window);

// A length in 96-DPI pixels at the given DPI, rounded.
int scale_to_dpi(int pixels_at_96, UINT dpi);

}  // namespace quintrel

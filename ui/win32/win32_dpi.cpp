#include "ui/win32/win32_dpi.h"

namespace quintrel {

UINT window_dpi(HWND window) {
  // GetDpiForWindow exists from Windows 10 1607 on; looked up so the program still starts on
  // older systems, which fall back to the screen's DPI.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window =
      reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) {
      return dpi;
    }
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) {
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

int scale_to_dpi(int pixels_at_96, UINT dpi) {
  return MulDiv(pixels_at_96, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

}  // namespace quintrel

// Quintrel.exe: the Windows program. One modal dialog; the program ends when it is closed.
#include <windows.h>

#include "platform/platform_services.h"
#include "ui/main_dialog.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_instance.h"
#include "ui/win32/win32_main_dialog.h"
#include "ui/win32/win32_message_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quintrel;
  // First of all: DLLs from System32 only (a downloads folder may hold a planted copy).
  PlatformServices platform;

  store_program_instance(instance);
  Win32MessagePresenter presenter;
  const DialogServices services{platform.serial_backend(), &platform.port_scanner(),
                                platform.clock(), presenter};

  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, main_dialog_proc,
                  reinterpret_cast<LPARAM>(&services));
  return 0;
}

// Quintrel.exe: the Windows program. One modal dialog; the program ends when it is closed.
#include <windows.h>

#include "base/show_message.h"
#include "link/port_list.h"
#include "link/serial_device.h"
#include "link/win32_clock.h"
#include "link/win32_port_scanner.h"
#include "link/win32_serial_device.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_instance.h"
#include "ui/win32/win32_main_dialog.h"
#include "ui/win32/win32_message_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace quintrel;
  // Any DLL loaded from now on, by the program or by Windows on its behalf, comes from System32
  // only, never from the program's folder (a downloads folder may hold a planted copy).
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // 1 ms timer resolution for the frame pauses and the short reads, given back at exit.
  const FineTimerResolution fine_timer;

  store_program_instance(instance);
  Win32MessagePresenter presenter;
  install_message_presenter(&presenter);
  Win32SerialBackend serial;
  install_serial_backend(&serial);
  Win32PortScanner scanner;
  install_port_scanner(&scanner);

  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, main_dialog_proc, 0);

  install_port_scanner(nullptr);
  install_serial_backend(nullptr);
  install_message_presenter(nullptr);
  return 0;
}

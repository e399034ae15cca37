// The main window (dialog 101) on Windows: a thin layer that hands the dialog's window messages
// to the MainDialog logic and carries out its requests on the controls.
#pragma once

#include <windows.h>

namespace quintrel {

// The dialog procedure of dialog 101, for DialogBoxParamW, whose init parameter must point to
// the DialogServices the window works with (they must outlive the window).
INT_PTR CALLBACK main_dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace quintrel

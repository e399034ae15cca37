// The program's instance handle, stored once by program entry and used to load the dialog
// templates and the program's own icons.
#pragma once

#include <windows.h>

namespace quintrel {

HINSTANCE program_instance();
void store_program_instance(HINSTANCE instance);

}  // namespace quintrel

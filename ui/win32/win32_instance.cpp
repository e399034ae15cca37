#include "ui/win32/win32_instance.h"

namespace quintrel {

namespace {
HINSTANCE g_instance = nullptr;
}  // namespace

HINSTANCE program_instance() {
  return g_instance;
}

void store_program_instance(HINSTANCE instance) {
  g_instance = instance;
}

}  // namespace quintrel

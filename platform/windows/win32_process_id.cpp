#include <windows.h>

#include "platform/child_process.h"

namespace quintrel::cli {

int this_process_id() {
  return static_cast<int>(GetCurrentProcessId());
}

}  // namespace quintrel::cli

#include "link/serial_device.h"

namespace quintrel {

namespace {
SerialBackend* g_backend = nullptr;
}  // namespace

SerialBackend* serial_backend() {
  return g_backend;
}

void install_serial_backend(SerialBackend* backend) {
  g_backend = backend;
}

}  // namespace quintrel

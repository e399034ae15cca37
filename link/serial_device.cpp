#include "link/serial_device.h"

#include <utility>

namespace quintrel {

namespace {
SerialBackend* g_backend = nullptr;
}  // namespace

SerialBackend* serial_backend() {
  return g_backend;
}

SerialBackend* install_serial_backend(SerialBackend* backend) {
  return std::exchange(g_backend, backend);
}

}  // namespace quintrel

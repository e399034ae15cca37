// The operations the page's worker calls on its one port: open, read, save, buzzer off, close,
// and the frame trace. Each worker holds one module and one port, so several ports run side by
// side in several workers. The async ones suspend the module (Asyncify) while they wait, and a
// module can hold only one suspended call: a second operation while one runs is refused here.
#include <emscripten.h>

#include <sstream>
#include <string>

#include "base/utf8_text.h"
#include "device/setting_commands.h"
#include "device/verified_save.h"
#include "link/serial_link.h"
#include "link/tracing_port.h"
#include "web/core/browser_clock.h"
#include "web/core/outcome_json.h"
#include "web/core/web_serial_port.h"

namespace quintrel::web {
namespace {

struct PortSession {
  BrowserClock clock;
  WebSerialBackend serial;
  std::ostringstream trace;
  TracingBackend traced{serial, trace, clock};
  SerialLink link{traced, clock};
  bool busy = false;
  std::string result;  // the last answer, alive until the next call
};

PortSession& session() {
  static PortSession port;
  return port;
}

class ValueCollector final : public SettingsReceiver {
 public:
  void apply_bitrate(BitrateCode code) override { values.bitrate = code; }
  void apply_identifier(std::uint32_t identifier) override { values.identifier = identifier; }
  ReadValues values;
};

// Runs one operation unless another is still suspended, and keeps its JSON answer.
template <typename Operation>
const char* run_exclusive(Operation operation) {
  PortSession& port = session();
  if (port.busy) {
    port.result = busy_json();
    return port.result.c_str();
  }
  port.busy = true;
  std::string answer = operation(port);
  port.busy = false;
  port.result = std::move(answer);
  return port.result.c_str();
}

}  // namespace
}  // namespace quintrel::web

using quintrel::web::PortSession;

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* quintrel_open(const char* port_name) {
  return quintrel::web::run_exclusive([port_name](PortSession& port) {
    return quintrel::web::outcome_json(port.link.open(quintrel::utf16_from_utf8(port_name)));
  });
}

EMSCRIPTEN_KEEPALIVE const char* quintrel_read() {
  return quintrel::web::run_exclusive([](PortSession& port) {
    quintrel::web::ValueCollector collector;
    const quintrel::LinkOutcome outcome = quintrel::read_settings(port.link, collector);
    return quintrel::web::outcome_json(outcome, collector.values);
  });
}

EMSCRIPTEN_KEEPALIVE const char* quintrel_save(int bitrate_index, const char* identifier) {
  return quintrel::web::run_exclusive([&](PortSession& port) {
    return quintrel::web::outcome_json(
        quintrel::save_settings(port.link, bitrate_index, quintrel::utf16_from_utf8(identifier)));
  });
}

EMSCRIPTEN_KEEPALIVE const char* quintrel_buzzer_off() {
  return quintrel::web::run_exclusive([](PortSession& port) {
    return quintrel::web::outcome_json(quintrel::buzzer_off(port.link));
  });
}

// The station's save: written, read back and compared by the core, as quintrel-cli save --verify.
EMSCRIPTEN_KEEPALIVE const char* quintrel_save_verified(int bitrate_index, const char* identifier) {
  return quintrel::web::run_exclusive([&](PortSession& port) {
    return quintrel::web::verified_save_json(
        quintrel::save_and_verify(port.link, bitrate_index, quintrel::utf16_from_utf8(identifier)));
  });
}

// COM OPEN with no port to open: the open's own refusal, said as for a port that is not there.
EMSCRIPTEN_KEEPALIVE const char* quintrel_open_refused() {
  quintrel::LinkOutcome outcome = quintrel::link_outcome(quintrel::LinkStatus::kCannotOpen);
  outcome.open_failure = quintrel::OpenFailure::kMissing;
  outcome.reason = "no port chosen: press Search again and pick the device's port";
  quintrel::web::session().result = quintrel::web::outcome_json(outcome);
  return quintrel::web::session().result.c_str();
}

// Forgets the device (its trace line is finished); the worker then closes the port itself.
EMSCRIPTEN_KEEPALIVE const char* quintrel_close() {
  return quintrel::web::run_exclusive([](PortSession& port) {
    port.link.close();
    return quintrel::web::outcome_json(quintrel::link_outcome(quintrel::LinkStatus::kOk));
  });
}

// The frame lines traced since the last call.
EMSCRIPTEN_KEEPALIVE const char* quintrel_take_trace() {
  PortSession& port = quintrel::web::session();
  port.result = port.trace.str();
  port.trace.str({});
  return port.result.c_str();
}

}  // extern "C"

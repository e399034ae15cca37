#include "web/core/web_serial_port.h"

#include <emscripten.h>

#include <array>
#include <cstddef>

namespace quintrel::web {

namespace {

// Every import goes through globalThis.quintrelSerial (web/site/serial-channel.js), so the module
// holds no Web Serial code of its own. The async ones are listed in ASYNCIFY_IMPORTS; each
// settles whatever its promise does, since a rejection would leave the suspended core waiting for
// good (the channel's methods already answer failures with a code, this is the last guard).
// clang-format off
EM_ASYNC_JS(int, js_serial_open, (), {
  try { return await globalThis.quintrelSerial.open(); } catch (error) { return 3; }
});
EM_JS(void, js_serial_open_reason, (char* text, int size), {
  stringToUTF8(globalThis.quintrelSerial.openReason(), text, size);
});
EM_ASYNC_JS(int, js_serial_write, (const unsigned char* bytes, int size), {
  try { return await globalThis.quintrelSerial.write(HEAPU8.slice(bytes, bytes + size)); } catch (error) { return -1; }
});
EM_JS(int, js_serial_take_byte, (), {
  return globalThis.quintrelSerial.takeByte();
});
EM_ASYNC_JS(void, js_serial_wait_byte, (int ms), {
  try { await globalThis.quintrelSerial.waitByte(ms); } catch (error) {}
});
EM_JS(int, js_serial_gone, (), {
  return globalThis.quintrelSerial.gone() ? 1 : 0;
});
EM_JS(void, js_serial_purge, (), {
  globalThis.quintrelSerial.purge();
});
EM_ASYNC_JS(int, js_serial_raise, (int line), {
  try { return await globalThis.quintrelSerial.raise(line === 0 ? "dataTerminalReady" : "requestToSend"); } catch (error) { return 1; }
});
// clang-format on

// An idle one-byte read waits this long for a byte, as the desktop ports do.
constexpr int kIdleReadMs = 2;
// The page's reasons for a refused open are a sentence of about a hundred bytes; a browser's own
// error message longer than this is cut (stringToUTF8 never splits a character).
constexpr std::size_t kOpenReasonBytes = 512;

class WebSerialPort final : public SerialPort {
 public:
  // The page's channel holds only received bytes: what is written is handed to Web Serial at once.
  void purge() override { js_serial_purge(); }
  void discard_input() override { js_serial_purge(); }

  WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    const int written = js_serial_write(bytes.data(), static_cast<int>(bytes.size()));
    if (written < 0) {
      return {};
    }
    return {true, static_cast<std::size_t>(written)};
  }

  bool read_byte(std::uint8_t& byte) override {
    int taken = js_serial_take_byte();
    if (taken < 0) {
      js_serial_wait_byte(kIdleReadMs);
      taken = js_serial_take_byte();
    }
    if (taken < 0) {
      return false;
    }
    byte = static_cast<std::uint8_t>(taken);
    return true;
  }

  // The streams errored with NetworkError: the adapter was unplugged.
  bool gone() const override { return js_serial_gone() != 0; }

  // Web Serial takes the line settings with the open and has no read time-outs: the page opened
  // the port at 38400 8N1 and read_byte waits by itself.
  bool read_line_settings() override { return true; }
  bool write_line_settings() override { return true; }
  bool set_short_timeouts() override { return true; }
  void raise_dtr() override { js_serial_raise(0); }
  void raise_rts() override { js_serial_raise(1); }
};

// What js_serial_open answers, in OpenFailure's order.
OpenFailure open_failure_from(int code) {
  switch (code) {
    case 1:
      return OpenFailure::kMissing;
    case 2:
      return OpenFailure::kBusy;
    default:
      return OpenFailure::kOther;
  }
}

}  // namespace

OpenedPort WebSerialBackend::open_exclusive(std::u16string_view) {
  const int code = js_serial_open();
  OpenedPort opened;
  if (code == 0) {
    opened.port = std::make_unique<WebSerialPort>();
    return opened;
  }
  std::array<char, kOpenReasonBytes> reason{};
  js_serial_open_reason(reason.data(), static_cast<int>(reason.size()));
  opened.failure = open_failure_from(code);
  opened.reason = reason.data();
  return opened;
}

}  // namespace quintrel::web

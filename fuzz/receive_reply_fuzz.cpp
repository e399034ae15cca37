// Feeds receive_reply an arbitrary byte stream on an arbitrary virtual clock and checks every
// outcome against a plain model of the three reply stages.
//
// Input: byte 0 picks the buffer size (0: the 200-byte ReplyBuffer, n: n bytes); bytes 1..4 are
// the clock at entry (little-endian); then one event per one-byte read:
//   any byte but 0xFF     that byte arrives
//   FF 00                 the byte 0xFF arrives
//   FF k, k in 01..EF     no byte; the read took k ms
//   FF k, k in F0..FF     no byte; the read took (k - 0xEF) * 250 ms (250 to 4000)
//   a lone FF at the end  no byte; 1 ms
//   input used up         no byte; 250 ms per read
//
// Invariants: nothing is written outside the buffer; no read happens after the stage's window
// (1000 ms, inclusive) has passed or after the check byte; the result is -1 or r with the r + 1
// payload bytes in the buffer followed by a NUL at index r + 1; the message shown (if any) is
// the one the model expects; every call ends.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/message_texts.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_link.h"
#include "link/command_frame.h"
#include "link/frame_exchange.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUINTREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUINTREL_ASAN 1
#endif
#endif
#if defined(QUINTREL_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace {

using quintrel::kReplyStageMs;

constexpr std::uint8_t kEscape = 0xFF;
constexpr std::uint32_t kIdleReadMs = 250;
// Once the input is used up, three stages end within 3 * (1000 / 250 + 1) reads.
constexpr int kMaxIdleReads = 15;
constexpr std::size_t kGuardBytes = 32;
constexpr std::size_t kMaxBufferSize = 255;
constexpr std::uint8_t kFill = 0xA5;
constexpr std::uint8_t kGuard = 0x5A;

enum class Stage { kHunting, kBody, kCheckByte, kDone };

// The byte port, and beside it the model of where the exchange should be.
class FuzzPort final : public quintrel::SerialPort {
 public:
  explicit FuzzPort(quintrel::test::VirtualClock& clock) : clock_(clock) { body.reserve(1 << 16); }

  void start(std::span<const std::uint8_t> events) {
    events_ = FuzzInput(events);
    stage = Stage::kHunting;
    stage_start = clock_.now;
    body.clear();
    check_byte = 0;
    idle_reads_ = 0;
  }

  bool read_byte(std::uint8_t& byte) override {
    FUZZ_CHECK(stage != Stage::kDone);                      // read past the check byte
    FUZZ_CHECK(clock_.now - stage_start <= kReplyStageMs);  // read after the stage ended
    if (events_.empty()) {
      FUZZ_CHECK(++idle_reads_ <= kMaxIdleReads);  // the call does not end
      clock_.now += kIdleReadMs;
      return false;
    }
    const std::uint8_t event = events_.byte();
    if (event == kEscape) {
      if (events_.empty()) {
        clock_.now += 1;
        return false;
      }
      const std::uint8_t op = events_.byte();
      if (op != 0) {
        clock_.now += op < 0xF0 ? op : (op - 0xEFu) * 250u;
        return false;
      }
    }
    byte = event;
    advance_model(byte);
    return true;
  }

  void purge() override {}
  void discard_input() override {}
  quintrel::WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    return {true, bytes.size()};
  }
  bool read_line_settings() override { return true; }
  bool write_line_settings() override { return true; }
  bool set_short_timeouts() override { return true; }
  void raise_dtr() override {}
  void raise_rts() override {}

  Stage stage = Stage::kHunting;
  std::uint32_t stage_start = 0;
  std::vector<std::uint8_t> body;  // from after the STX up to and including the ETX
  std::uint8_t check_byte = 0;

 private:
  void advance_model(std::uint8_t byte) {
    switch (stage) {
      case Stage::kHunting:
        if (byte == quintrel::kStx) {
          stage = Stage::kBody;
          stage_start = clock_.now;
        }
        break;
      case Stage::kBody:
        body.push_back(byte);
        if (byte == quintrel::kEtx) {
          stage = Stage::kCheckByte;
          stage_start = clock_.now;
        }
        break;
      case Stage::kCheckByte:
        check_byte = byte;
        stage = Stage::kDone;
        break;
      case Stage::kDone:
        break;
    }
  }

  quintrel::test::VirtualClock& clock_;
  FuzzInput events_{{}};
  int idle_reads_ = 0;
};

using Harness = FuzzLink<FuzzPort>;

void poison(std::uint8_t* start, std::size_t size, bool on) {
#if defined(QUINTREL_ASAN)
  if (on) {
    ASAN_POISON_MEMORY_REGION(start, size);
  } else {
    ASAN_UNPOISON_MEMORY_REGION(start, size);
  }
#else
  (void)start;
  (void)size;
  (void)on;
#endif
}

std::uint8_t xor_of(std::span<const std::uint8_t> bytes) {
  std::uint8_t value = 0;
  for (const std::uint8_t byte : bytes) {
    value ^= byte;
  }
  return value;
}

void check_outcome(const Harness& harness, int result, std::span<const std::uint8_t> buffer) {
  const FuzzPort& port = *harness.port;
  const CountingPresenter& presenter = harness.presenter;
  FUZZ_CHECK(presenter.shown <= 1);

  if (port.stage != Stage::kDone) {
    FUZZ_CHECK(result == -1);
    FUZZ_CHECK(harness.clock.now - port.stage_start > kReplyStageMs);
    FUZZ_CHECK(presenter.shown == 1);
    FUZZ_CHECK(presenter.last_text == quintrel::messages::kReplyTimeout);
    return;
  }

  const std::span<const std::uint8_t> body(port.body);
  const std::size_t payload_size = body.size() - 1;  // the body ends with its ETX
  const bool fits = body.size() <= buffer.size();
  const bool check_ok = port.check_byte == xor_of(body);
  if (fits && check_ok && payload_size > 0) {
    FUZZ_CHECK(result == static_cast<int>(payload_size) - 1);
    FUZZ_CHECK(presenter.shown == 0);
  } else {
    FUZZ_CHECK(result == -1);
    // An empty payload with a good check byte fails silently; the rest is a check-byte error.
    const bool silent = fits && check_ok;
    FUZZ_CHECK(presenter.shown == (silent ? 0 : 1));
    FUZZ_CHECK(silent || presenter.last_text == quintrel::messages::kReplyBccError);
  }
  // Whatever the outcome, the buffer now holds as much of the payload as fits, NUL-terminated.
  const std::size_t kept = std::min(payload_size, buffer.size() - 1);
  FUZZ_CHECK(
      std::equal(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(kept), buffer.begin()));
  FUZZ_CHECK(buffer[kept] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Harness harness;
  const std::span<const std::uint8_t> input(data, size);

  std::size_t buffer_size = quintrel::kReplyBufferSize;
  if (!input.empty() && input[0] != 0) {
    buffer_size = input[0];
  }
  std::uint32_t clock_start = 0;
  if (input.size() >= 5) {
    std::memcpy(&clock_start, input.data() + 1, sizeof clock_start);
  }
  const std::span<const std::uint8_t> events = input.subspan(std::min<std::size_t>(5, size));

  // The buffer sits between guard bytes; under ASan they are poisoned, so a stray write stops at
  // once, and without it the guards are compared afterwards.
  std::array<std::uint8_t, kGuardBytes + kMaxBufferSize + kGuardBytes> storage_space;
  const std::span<std::uint8_t> storage(storage_space.data(),
                                        kGuardBytes + buffer_size + kGuardBytes);
  std::fill(storage.begin(), storage.end(), kGuard);
  const std::span<std::uint8_t> buffer(storage.data() + kGuardBytes, buffer_size);
  std::fill(buffer.begin(), buffer.end(), kFill);
  poison(storage.data(), kGuardBytes, true);
  poison(buffer.data() + buffer_size, kGuardBytes, true);

  harness.clock.now = clock_start;
  harness.presenter.shown = 0;
  harness.port->start(events);
  const quintrel::LinkOutcome outcome = quintrel::receive_reply(harness.link, buffer);
  // receive_reply's result as the window's code had it: the payload length minus one, or -1.
  const int result =
      harness.presenter.show(outcome) ? static_cast<int>(outcome.payload_size) - 1 : -1;

  poison(storage.data(), storage.size(), false);
  FUZZ_CHECK(std::all_of(storage.begin(), storage.begin() + kGuardBytes,
                         [](std::uint8_t byte) { return byte == kGuard; }));
  FUZZ_CHECK(std::all_of(storage.end() - kGuardBytes, storage.end(),
                         [](std::uint8_t byte) { return byte == kGuard; }));
  check_outcome(harness, result, buffer);
  return 0;
}

// The frame paths without the line: building frames, receiving replies from an in-memory port on
// a virtual clock (so the 10 ms pauses and the idle reads cost nothing), and parsing payloads.
// "allocs" counts heap allocations per iteration: an exchange itself allocates nothing.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

#include "device/payload.h"
#include "device/setting_commands.h"
#include "device/token_parser.h"
#include "link/command_frame.h"
#include "link/frame_exchange.h"
#include "link/serial_link.h"
#include "support/fake_backend.h"
#include "support/virtual_clock.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Kept out of line, like the deletes below: inlined, GCC would see malloc() meet operator delete
// (or free() meet operator new) and warn of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size == 0 ? 1 : size)) {
    return block;
  }
  throw std::bad_alloc();
}

[[gnu::noinline]] void operator delete(void* block) noexcept {
  std::free(block);
}

[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}

namespace quintrel {
namespace {

using test::VirtualClock;

// Accepts every write whole; each purge starts the next of the prepared replies, which the reads
// then hand out byte by byte. An idle read lets 2 virtual ms pass, as the real port's poll would.
class MemoryPort final : public SerialPort {
 public:
  MemoryPort(VirtualClock& clock, std::vector<std::vector<std::uint8_t>> replies)
      : clock_(clock), replies_(std::move(replies)) {}

  void purge() override {
    reply_ = &replies_[next_];
    next_ = (next_ + 1) % replies_.size();
    at_ = 0;
  }
  void discard_input() override {}  // the reply is only read after the frame
  WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    return {true, bytes.size()};
  }
  bool read_byte(std::uint8_t& byte) override {
    if (reply_ == nullptr || at_ == reply_->size()) {
      clock_.sleep_ms(2);
      return false;
    }
    byte = (*reply_)[at_++];
    return true;
  }
  bool read_line_settings() override { return true; }
  bool write_line_settings() override { return true; }
  bool set_short_timeouts() override { return true; }
  void raise_dtr() override {}
  void raise_rts() override {}

 private:
  VirtualClock& clock_;
  std::vector<std::vector<std::uint8_t>> replies_;
  const std::vector<std::uint8_t>* reply_ = nullptr;
  std::size_t next_ = 0;
  std::size_t at_ = 0;
};

std::vector<std::uint8_t> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

// A link on the virtual clock over a MemoryPort with these replies.
struct LinkOnMemory {
  explicit LinkOnMemory(const std::vector<std::string_view>& reply_payloads) {
    std::vector<std::vector<std::uint8_t>> replies;
    for (const std::string_view payload : reply_payloads) {
      replies.push_back(build_frame(bytes_of(payload)));
    }
    if (backend.open(link, std::make_unique<MemoryPort>(clock, std::move(replies))) == nullptr) {
      std::fputs("the in-memory port did not open\n", stderr);
      std::abort();
    }
  }
  LinkOnMemory(const LinkOnMemory&) = delete;
  LinkOnMemory& operator=(const LinkOnMemory&) = delete;

  VirtualClock clock;
  test::FakeBackend backend;
  SerialLink link{backend, clock};
};

// Heap allocations per iteration, over the timed loop.
class AllocationCount {
 public:
  explicit AllocationCount(benchmark::State& state) : state_(state), start_(g_allocations.load()) {}
  ~AllocationCount() {
    state_.counters["allocs"] = benchmark::Counter(
        static_cast<double>(g_allocations.load() - start_), benchmark::Counter::kAvgIterations);
  }
  AllocationCount(const AllocationCount&) = delete;
  AllocationCount& operator=(const AllocationCount&) = delete;

 private:
  benchmark::State& state_;
  long start_;
};

void BM_BuildFrame(benchmark::State& state) {
  const std::vector<std::uint8_t> payload = bytes_of("ccid 7FF");
  AllocationCount allocations(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(build_frame(payload));
  }
}
BENCHMARK(BM_BuildFrame);

void BM_FrameCheckByte(benchmark::State& state) {
  const std::vector<std::uint8_t> payload(static_cast<std::size_t>(state.range(0)), 0x5A);
  for (auto _ : state) {
    benchmark::DoNotOptimize(frame_check_byte(payload));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FrameCheckByte)->Arg(5)->Arg(199);

void BM_AppendIdentifierPayload(benchmark::State& state) {
  PayloadBuffer payload{};
  for (auto _ : state) {
    const std::size_t after_command = append_word(payload, 0, u"ccid");
    benchmark::DoNotOptimize(append_word(payload, after_command, u"7FF"));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_AppendIdentifierPayload);

// Purge, three pieces with their (virtual) pauses.
void BM_SendCommand(benchmark::State& state) {
  LinkOnMemory memory({"3"});
  const std::vector<std::uint8_t> payload = bytes_of("ccebr");
  AllocationCount allocations(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(send_command(memory.link, payload));
  }
}
BENCHMARK(BM_SendCommand);

// One reply frame with a payload of the given length, read byte by byte and checked.
void BM_ReceiveReply(benchmark::State& state) {
  const std::string body(static_cast<std::size_t>(state.range(0)), '7');
  LinkOnMemory memory({body});
  ReplyBuffer reply{};
  AllocationCount allocations(state);
  for (auto _ : state) {
    memory.link.port()->purge();  // serves the reply again
    benchmark::DoNotOptimize(receive_reply(memory.link, reply));
  }
  state.SetBytesProcessed(state.iterations() * (state.range(0) + 3));
}
BENCHMARK(BM_ReceiveReply)->Arg(1)->Arg(3)->Arg(199);

void BM_ParseDecimalToken(benchmark::State& state) {
  const std::vector<std::uint8_t> reply = bytes_of(std::string_view("  3 kbps\0", 9));
  for (auto _ : state) {
    benchmark::DoNotOptimize(parse_decimal_token(reply));
  }
}
BENCHMARK(BM_ParseDecimalToken);

void BM_ParseHexToken(benchmark::State& state) {
  const std::vector<std::uint8_t> reply = bytes_of(std::string_view("0x7FF id\0", 9));
  for (auto _ : state) {
    benchmark::DoNotOptimize(parse_hex_token(reply));
  }
}
BENCHMARK(BM_ParseHexToken);

class CountingReceiver final : public SettingsReceiver {
 public:
  void apply_bitrate(BitrateCode code) override { bitrate = code; }
  void apply_identifier(std::uint32_t value) override { identifier = value; }
  BitrateCode bitrate = 0;
  std::uint32_t identifier = 0;
};

// Both exchanges of a read, payloads built, replies parsed: everything but the line's own time.
void BM_ReadSettings(benchmark::State& state) {
  LinkOnMemory memory({"3", "7FF"});
  CountingReceiver receiver;
  AllocationCount allocations(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(read_settings(memory.link, receiver));
    benchmark::DoNotOptimize(receiver.identifier);
  }
  if (receiver.bitrate != 3 || receiver.identifier != 0x7FF) {
    state.SkipWithError("the read did not deliver 3 and 7FF");
  }
}
BENCHMARK(BM_ReadSettings);

}  // namespace
}  // namespace quintrel

BENCHMARK_MAIN();

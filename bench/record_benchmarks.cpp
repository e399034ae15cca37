// What the line's record costs a station per device: take an identifier from a pool, settle it as
// given and add the save's row, each committed, as quintrel-cli save --id-from does. SQLite in a
// scratch file ($TMPDIR); PostgreSQL when QUINTREL_TEST_POSTGRES names a server (bench/run starts
// one with tests/record/pg-scratch).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/ascii_text.h"
#include "record/line_record.h"

namespace quintrel::record {
namespace {

// Devices per measured run: about a full 11-bit pool, so the later takes search a nearly full one.
constexpr int kDevicesPerRun = 2000;

SaveRow device_row(std::int64_t device, std::uint32_t identifier) {
  return {"2026-12-10T05:40:00.123Z",
          "bench",
          "op",
          "/dev/ttyUSB" + std::to_string(device),
          "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0",
          "0403:6001",
          "A1B2C3",
          "SN-" + std::to_string(device),
          "125kbps",
          "100",
          "500kbps",
          hex_text(identifier),
          "pool",
          "ok",
          true,
          "Saved.",
          0,
          812};
}

void record_per_device(benchmark::State& state, const std::string& where) {
  auto opened = open_record(where);
  if (!opened) {
    return state.SkipWithError(opened.error().c_str());
  }
  LineRecord& record = **opened;
  // Each run starts from an empty pool; the rows of earlier runs stay, as on a line.
  auto held = record.identifiers();
  if (!held) {
    return state.SkipWithError(held.error().c_str());
  }
  for (const auto& entry : *held) {
    if (entry.state != IdentifierState::kUncertain) {
      continue;
    }
    if (auto released = record.release_identifier(entry.identifier); !released) {
      return state.SkipWithError(released.error().c_str());
    }
  }
  static std::int64_t device = 0;
  for (auto _ : state) {
    ++device;
    auto taken = record.take_identifier(0, 0x7FF, "bench", "/dev/ttyUSB0");
    if (!taken) {
      return state.SkipWithError(taken.error().c_str());
    }
    // Settled as uncertain and then released, so that repetitions never use the pool up: the
    // statements of a save given for good, and one delete more.
    auto settled = record.settle_identifier(*taken, IdentifierState::kUncertain);
    auto added = record.add_save(device_row(device, *taken));
    auto released = record.release_identifier(*taken);
    if (!settled || !added || !released) {
      return state.SkipWithError((settled.error() + added.error() + released.error()).c_str());
    }
  }
}

void opening(benchmark::State& state, const std::string& where) {
  for (auto _ : state) {
    auto opened = open_record(where);
    if (!opened) {
      return state.SkipWithError(opened.error().c_str());
    }
  }
}

}  // namespace
}  // namespace quintrel::record

int main(int argc, char** argv) {
  using namespace quintrel::record;
  // In $TMPDIR (else /tmp): a disk's sync is the larger part of the cost.
  std::string folder = (std::filesystem::temp_directory_path() / "quintrel-record-bench.XXXXXX");
  if (!mkdtemp(folder.data())) {
    return 2;
  }
  const std::string sqlite = std::string("sqlite:") + folder + "/record.db";
  benchmark::RegisterBenchmark("RecordPerDevice/sqlite", record_per_device, sqlite)
      ->Iterations(kDevicesPerRun)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RecordOpen/sqlite", opening, sqlite)->Unit(benchmark::kMillisecond);
  if (const char* postgres = std::getenv("QUINTREL_TEST_POSTGRES")) {
    benchmark::RegisterBenchmark("RecordPerDevice/postgresql", record_per_device,
                                 std::string(postgres))
        ->Iterations(kDevicesPerRun)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordOpen/postgresql", opening, std::string(postgres))
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}

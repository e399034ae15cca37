#include "sim/pty_simulator.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/linux_input_wait.h"
#include "platform/linux/linux_private_file.h"
#include "platform/linux/linux_stop_signals.h"
#include "sim/frame_log.h"
#include "sim/simulated_device.h"
#include "sim/state_file.h"

namespace quintrel::sim {

namespace {

using Devices = std::vector<std::unique_ptr<SimulatedDevice>>;

// The stop signals end the loop's one wait at once, and only that wait: a stop that comes while
// the devices are being served is seen at the next wait, never lost. SIGHUP and SIGPIPE keep
// their defaults.
constexpr StopSignalChoices kSimulatorStops{
    .hang_up_stops = false, .broken_pipe_ignored = false, .held_between_waits = true};

// One thread serves every device: each says what it waits for (its pty, or the time of its next
// reply piece) and the loop waits for the first of them all, so that one device's pacing or late
// reply never delays another's. Returns false when a device's pty cannot be re-created.
bool serve(Devices& devices, const LinuxStopSignals& stops, std::ostream& err) {
  InputWait waiting;
  std::vector<SimulatedDevice*> owners;
  while (stops.count() == 0) {
    waiting.clear();
    owners.clear();
    std::optional<std::chrono::nanoseconds> earliest;
    for (const std::unique_ptr<SimulatedDevice>& device : devices) {
      if (const int fd = device->input_fd(); fd >= 0) {
        waiting.watch(fd);
        owners.push_back(device.get());
      }
      const std::optional<std::chrono::nanoseconds> due = device->deadline();
      if (due && (!earliest || *due < *earliest)) {
        earliest = due;
      }
    }
    std::optional<std::chrono::nanoseconds> timeout;
    if (earliest) {
      timeout = std::max(*earliest - monotonic_now(), std::chrono::nanoseconds{});
    }
    if (const Result<void> waited = waiting.wait(timeout, stops); !waited) {
      err << "quintrel-sim: waiting for the ptys: " << waited.error() << '\n';
      return false;
    }
    if (stops.count() > 0) {
      break;
    }
    for (std::size_t at = 0; at < owners.size(); ++at) {
      if (waiting.ready(at)) {
        owners[at]->read_input();
      }
    }
    for (const std::unique_ptr<SimulatedDevice>& device : devices) {
      if (!device->service()) {
        return false;
      }
    }
  }
  return true;
}

// Takes the device's start values from its state file; false, said on err, when the file is
// broken or no file can be written beside it (every commit would then be refused).
bool read_state(DeviceSetup& setup, FrameLog& log, std::ostream& err) {
  const Result<std::optional<DeviceValues>> loaded = load_state(setup.state_file);
  if (!loaded) {
    // Refused rather than overwritten: the file may hold values someone wants back.
    err << "quintrel-sim: " << loaded.error() << '\n';
    return false;
  }
  if (loaded.value()) {
    setup.start = *loaded.value();
    log.note(setup.tag() + "state read from " + setup.state_file);
  }
  if (const std::string reason = unwritable_place_reason(setup.state_file); !reason.empty()) {
    const std::filesystem::path file(setup.state_file);
    const std::string directory = file.has_parent_path() ? file.parent_path().string() : ".";
    err << "quintrel-sim: --state " << setup.state_file << ": no file can be written in "
        << directory << " (" << reason << "); create " << directory
        << " or give --state a file in a directory you may write\n";
    return false;
  }
  return true;
}

}  // namespace

int run_simulator(const SimOptions& options, std::ostream& out, std::ostream& err) {
  std::ofstream log_file;
  if (!options.log_file.empty()) {
    log_file.open(options.log_file, std::ios::app);
    if (!log_file) {
      err << "quintrel-sim: " << options.log_file << ": cannot be written\n";
      return 1;
    }
  }
  FrameLog log(options.log_file.empty() ? err : log_file, options.monotonic_log);

  std::vector<DeviceSetup> setups;
  for (std::size_t at = 0; at < options.faults.size(); ++at) {
    DeviceSetup setup;
    setup.number = static_cast<int>(at) + 1;
    setup.numbered = options.count > 0;
    setup.symlink = device_path(options.symlink, options.count, setup.number);
    setup.state_file = device_path(options.state_file, options.count, setup.number);
    setup.start = options.start;
    setup.faults = options.faults[at];
    setup.pace = options.pace;
    setup.log_replies = options.count > 0 || setup.faults.random;
    if (!setup.state_file.empty() && !read_state(setup, log, err)) {
      return 1;
    }
    setups.push_back(std::move(setup));
  }

  const LinuxStopSignals stops(kSimulatorStops);
  Devices devices;
  for (DeviceSetup& setup : setups) {
    devices.push_back(std::make_unique<SimulatedDevice>(std::move(setup), out, err, log));
    if (!devices.back()->plug_in()) {
      return 1;
    }
  }
  const bool served = serve(devices, stops, err);
  log.note("stopped");
  return served ? 0 : 1;
}

}  // namespace quintrel::sim

#include "sim/pty_simulator.h"

#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/linux_private_file.h"
#include "sim/frame_log.h"
#include "sim/simulated_device.h"
#include "sim/state_file.h"

namespace quintrel::sim {

namespace {

volatile std::sig_atomic_t g_stop = 0;

void request_stop(int) {
  g_stop = 1;
}

// The stop signals are blocked except inside the loop's one wait, which they end at once: a stop
// that comes while the devices are being served is seen at the next wait, never lost.
class StopSignals {
 public:
  StopSignals() {
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, &before_);
    waiting_ = before_;
    sigdelset(&waiting_, SIGINT);
    sigdelset(&waiting_, SIGTERM);
  }
  ~StopSignals() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  const sigset_t& while_waiting() const { return waiting_; }

 private:
  sigset_t before_;
  sigset_t waiting_;
};

using Devices = std::vector<std::unique_ptr<SimulatedDevice>>;

// One thread serves every device: each says what it waits for (its pty, or the time of its next
// reply piece) and the loop waits for the first of them all, so that one device's pacing or late
// reply never delays another's. Returns false when a device's pty cannot be re-created.
bool serve(Devices& devices, const StopSignals& signals, std::ostream& err) {
  std::vector<pollfd> polled;
  std::vector<SimulatedDevice*> owners;
  while (!g_stop) {
    polled.clear();
    owners.clear();
    std::optional<std::chrono::nanoseconds> earliest;
    for (const std::unique_ptr<SimulatedDevice>& device : devices) {
      if (const int fd = device->input_fd(); fd >= 0) {
        polled.push_back({fd, POLLIN, 0});
        owners.push_back(device.get());
      }
      const std::optional<std::chrono::nanoseconds> due = device->deadline();
      if (due && (!earliest || *due < *earliest)) {
        earliest = due;
      }
    }
    timespec timeout{};
    if (earliest) {
      const auto left = std::max(*earliest - monotonic_now(), std::chrono::nanoseconds{});
      timeout.tv_sec = static_cast<time_t>(left.count() / 1000000000);
      timeout.tv_nsec = static_cast<long>(left.count() % 1000000000);
    }
    const int ready = ppoll(polled.data(), polled.size(), earliest ? &timeout : nullptr,
                            &signals.while_waiting());
    if (ready < 0 && errno != EINTR) {
      err << "quintrel-sim: waiting for the ptys: " << std::strerror(errno) << '\n';
      return false;
    }
    if (g_stop) {
      break;
    }
    for (std::size_t at = 0; ready > 0 && at < polled.size(); ++at) {
      if (polled[at].revents != 0) {
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
  std::string error;
  switch (load_state(setup.state_file, setup.start, error)) {
    case StateLoad::kBroken:
      // Refused rather than overwritten: the file may hold values someone wants back.
      err << "quintrel-sim: " << error << '\n';
      return false;
    case StateLoad::kLoaded:
      log.note(setup.tag() + "state read from " + setup.state_file);
      break;
    case StateLoad::kMissing:
      break;
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

  g_stop = 0;
  const StopSignals signals;
  Devices devices;
  for (DeviceSetup& setup : setups) {
    devices.push_back(std::make_unique<SimulatedDevice>(std::move(setup), out, err, log));
    if (!devices.back()->plug_in()) {
      return 1;
    }
  }
  const bool served = serve(devices, signals, err);
  log.note("stopped");
  return served ? 0 : 1;
}

}  // namespace quintrel::sim

#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "sim/state_file.h"

namespace quintrel::sim {

namespace {

volatile std::sig_atomic_t g_stop = 0;

void request_stop(int) {
  g_stop = 1;
}

// Without SA_RESTART, so a stop request ends a wait in poll or nanosleep at once.
void install_stop_handlers() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

constexpr long kNsPerMs = 1000000L;
constexpr long kNsPerByte = 260417;  // 10 bits at 38400 bit/s
constexpr int kPollMs = 200;

timespec monotonic_now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now;
}

timespec add_ns(timespec at, long long ns) {
  const long long total = static_cast<long long>(at.tv_nsec) + ns;
  at.tv_sec += static_cast<time_t>(total / 1000000000LL);
  at.tv_nsec = static_cast<long>(total % 1000000000LL);
  return at;
}

// False when a stop was requested before the time came.
bool sleep_until(const timespec& until) {
  while (!g_stop) {
    const int result = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    if (result == 0) {
      return true;
    }
    if (result != EINTR) {
      return false;
    }
  }
  return false;
}

// Timestamped lines: what came in, piece by piece as read; what went out; what happened. The
// times count from the simulator's start, or are the monotonic clock's own, which other programs
// on the machine (quintrel-cli --precise-trace) share.
class FrameLog {
 public:
  FrameLog(std::ostream& out, bool monotonic)
      : out_(out), start_(monotonic ? timespec{} : monotonic_now()) {}

  // Stamped at the given time: when the bytes were read, or when their last one was written.
  void bytes(const char* direction, std::span<const std::uint8_t> bytes, const timespec& at) {
    std::string text = direction;
    char hex[4];
    for (const std::uint8_t byte : bytes) {
      std::snprintf(hex, sizeof hex, " %02X", byte);
      text += hex;
    }
    write(at, text);
  }

  void note(const std::string& text) { write(monotonic_now(), text); }

 private:
  void write(const timespec& now, const std::string& text) {
    const double ms = static_cast<double>(now.tv_sec - start_.tv_sec) * 1000.0 +
                      static_cast<double>(now.tv_nsec - start_.tv_nsec) / 1e6;
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "[%11.3f ms] ", ms);
    out_ << stamp << text << '\n' << std::flush;
  }

  std::ostream& out_;
  timespec start_;
};

// The device's end of the line. The simulator keeps the terminal side open as well, so that the
// master never reports a hang-up while no host is connected, and so that the raw settings stay.
struct Pty {
  int master = -1;
  int terminal = -1;
  std::string path;
};

void close_pty(Pty& pty) {
  if (pty.terminal >= 0) {
    ::close(pty.terminal);
  }
  if (pty.master >= 0) {
    ::close(pty.master);
  }
  pty = Pty{};
}

bool open_pty(Pty& pty, std::string& error) {
  pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  const char* name = nullptr;
  if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0 ||
      (name = ptsname(pty.master)) == nullptr) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    close_pty(pty);
    return false;
  }
  pty.path = name;
  pty.terminal = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  if (pty.terminal < 0 || tcgetattr(pty.terminal, &raw) != 0) {
    error = pty.path + ": " + std::strerror(errno);
    close_pty(pty);
    return false;
  }
  // Raw from the start: bytes sent while no host holds the port must not be echoed back.
  cfmakeraw(&raw);
  cfsetispeed(&raw, B38400);
  cfsetospeed(&raw, B38400);
  tcsetattr(pty.terminal, TCSANOW, &raw);
  return true;
}

// Points link at target, replacing an old link in one step.
bool point_link(const std::string& link, const std::string& target, std::string& error) {
  const std::string temporary = link + ".new";
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
    error = link + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool write_all(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

class Simulator {
 public:
  Simulator(const SimOptions& options, std::ostream& out, std::ostream& err, FrameLog& log,
            DeviceValues start)
      : options_(options),
        out_(out),
        err_(err),
        log_(log),
        model_(start),
        layer_(model_, options.faults),
        saved_(start) {}

  ~Simulator() {
    if (!options_.link.empty() && pty_.master >= 0) {
      std::error_code error;
      if (std::filesystem::read_symlink(options_.link, error) == pty_.path) {
        ::unlink(options_.link.c_str());
      }
    }
    close_pty(pty_);
  }
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  bool plug_in() {
    std::string error;
    if (!open_pty(pty_, error) ||
        (!options_.link.empty() && !point_link(options_.link, pty_.path, error))) {
      err_ << "quintrel-sim: " << error << '\n';
      return false;
    }
    out_ << pty_.path << '\n' << std::flush;
    log_.note("pty " + pty_.path + (options_.link.empty() ? "" : ", link " + options_.link));
    return true;
  }

  // Answers frames until a stop is requested; false when the pty cannot be re-created.
  bool serve() {
    std::uint8_t chunk[256];
    while (!g_stop) {
      pollfd entry{pty_.master, POLLIN, 0};
      if (poll(&entry, 1, kPollMs) <= 0) {
        continue;
      }
      const ssize_t count = ::read(pty_.master, chunk, sizeof chunk);
      if (count <= 0) {
        sleep_until(add_ns(monotonic_now(), 10 * kNsPerMs));  // not expected; never spin
        continue;
      }
      log_.bytes("rx", std::span(chunk, static_cast<std::size_t>(count)), monotonic_now());
      for (ssize_t at = 0; at < count && !g_stop; ++at) {
        std::optional<ReplyPlan> plan = layer_.feed(chunk[at]);
        if (!plan) {
          continue;
        }
        keep_committed_values();
        send(*plan);
        if (plan->unplug_after) {
          if (!replug()) {
            return false;
          }
          break;  // the rest of this chunk went with the old pty
        }
      }
    }
    return true;
  }

 private:
  void keep_committed_values() {
    if (options_.state_file.empty() || model_.committed() == saved_) {
      return;
    }
    std::string error;
    if (save_state(options_.state_file, model_.committed(), error)) {
      saved_ = model_.committed();
      log_.note("state saved to " + options_.state_file);
    } else {
      err_ << "quintrel-sim: " << error << '\n';
      log_.note("state NOT saved: " + error);
    }
  }

  void send(const ReplyPlan& plan) {
    if (plan.mode != FaultMode::kNone) {
      log_.note("fault " + std::string(fault_name(plan.mode)));
    }
    timespec at = monotonic_now();
    for (const ReplyStep& step : plan.steps) {
      at = add_ns(at, static_cast<long long>(step.delay_ms) * kNsPerMs);
      if (step.delay_ms > 0 && !sleep_until(at)) {
        return;
      }
      // The log gives the moment the step's last byte went to the pty, so a host's trace can
      // tell how long that byte took to reach it.
      timespec last_write = monotonic_now();
      if (options_.pace) {
        for (const std::uint8_t byte : step.bytes) {
          at = add_ns(at, kNsPerByte);
          if (!sleep_until(at)) {
            return;
          }
          last_write = monotonic_now();
          if (!write_all(pty_.master, std::span(&byte, 1))) {
            return;
          }
        }
      } else if (!write_all(pty_.master, step.bytes)) {
        return;
      }
      at = monotonic_now();
      log_.bytes("tx", step.bytes, last_write);
    }
  }

  bool replug() {
    close_pty(pty_);
    log_.note("unplugged: pty closed");
    return plug_in();
  }

  const SimOptions& options_;
  std::ostream& out_;
  std::ostream& err_;
  FrameLog& log_;
  DeviceModel model_;
  FaultLayer layer_;
  DeviceValues saved_;
  Pty pty_;
};

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

  DeviceValues start = options.start;
  if (!options.state_file.empty()) {
    std::string error;
    switch (load_state(options.state_file, start, error)) {
      case StateLoad::kBroken:
        // Refused rather than overwritten: the file may hold values someone wants back.
        err << "quintrel-sim: " << error << '\n';
        return 1;
      case StateLoad::kLoaded:
        log.note("state read from " + options.state_file);
        break;
      case StateLoad::kMissing:
        break;
    }
  }

  g_stop = 0;
  install_stop_handlers();
  Simulator simulator(options, out, err, log, start);
  if (!simulator.plug_in()) {
    return 1;
  }
  const bool served = simulator.serve();
  log.note("stopped");
  return served ? 0 : 1;
}

}  // namespace quintrel::sim

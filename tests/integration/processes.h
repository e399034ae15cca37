// The real programs as child processes: quintrel-sim on its pseudo-terminal and quintrel-cli
// against it, with their output captured and their time measured.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quintrel::test {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

struct CliRun {
  int exit_code = -1;  // -1: did not end by itself within its bound and was killed
  std::string out;
  std::string err;
  double wall_ms = 0;
  double cpu_ms = 0;  // user + system
};

// A signal sent at a time after the start.
struct SignalAt {
  double at_ms = 0;
  int signal = 0;
};

struct RunOptions {
  double bound_ms = 10000;  // then killed
  std::string input = {};   // on its standard input
  // Each sent to the whole process group at its time, as a terminal sends Ctrl+C.
  std::vector<SignalAt> signals = {};
  // Standard output is a pipe whose reading end is closed, as into a head that has exited.
  bool closed_output = false;
};

// Runs quintrel-cli (or, with run_program, a copy of it or another program) in a process group of
// its own and waits for it.
CliRun run_cli(const std::vector<std::string>& args, const RunOptions& options = {});
CliRun run_program(const std::string& program, const std::vector<std::string>& args,
                   const RunOptions& options = {});

// quintrel-sim with "--link <dir>/port --log <dir>/sim.log" and the extra arguments; the
// constructor returns once the link exists (with "--count N": the last device's), the destructor
// stops the simulator with SIGTERM.
class SimProcess {
 public:
  SimProcess(const std::filesystem::path& dir, const std::vector<std::string>& extra_args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool started() const { return started_; }
  std::string port() const { return link_.string(); }
  // Device k's link when the simulator plays several.
  std::string port(int device) const { return link_.string() + "-" + std::to_string(device); }
  std::string log() const;
  // Every byte the device received (with --count: all devices'), in hex ("02 63 63 65 62 72 03
  // 76 02 ..."), however its reads split them: a loaded machine can join a frame's pieces.
  std::string received() const;
  // Waits until the log (or what the device received) holds text at least count times.
  enum class Search { kLog, kReceived };
  bool wait_for_log(std::string_view text, int count, int timeout_ms = 5000,
                    Search in = Search::kLog) const;

 private:
  std::filesystem::path link_;
  std::filesystem::path log_file_;
  pid_t pid_ = -1;
  bool started_ = false;
};

}  // namespace quintrel::test

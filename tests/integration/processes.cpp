#include "tests/integration/processes.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace quintrel::test {

namespace fs = std::filesystem;

namespace {

using SteadyClock = std::chrono::steady_clock;

double ms_since(SteadyClock::time_point start) {
  return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Starts program with args in a process group of its own; stdout and stderr go to the given files
// (stdout to out_fd instead when that is given), stdin comes from in.
pid_t spawn(const char* program, const std::vector<std::string>& args, const fs::path& out,
            const fs::path& err, const fs::path& in = "/dev/null", int out_fd = -1) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, in.c_str(), O_RDONLY, 0);
  if (out_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out_fd, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  pid_t pid = -1;
  if (posix_spawn(&pid, program, &actions, &attributes, argv.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

TempDir::TempDir() {
  static int counter = 0;
  path_ = fs::temp_directory_path() /
          ("quintrel-it-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
  // The simulator makes links only where no one else may write, whatever the umask.
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace);
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

CliRun run_cli(const std::vector<std::string>& args, const RunOptions& options) {
  return run_program(QUINTREL_CLI_PATH, args, options);
}

CliRun run_program(const std::string& program, const std::vector<std::string>& args,
                   const RunOptions& options) {
  TempDir dir;
  CliRun run;
  std::ofstream(dir.path() / "in") << options.input;
  int pipe_ends[2] = {-1, -1};
  if (options.closed_output && pipe(pipe_ends) == 0) {
    close(pipe_ends[0]);
  }
  const auto start = SteadyClock::now();
  const pid_t pid = spawn(program.c_str(), args, dir.path() / "out", dir.path() / "err",
                          dir.path() / "in", pipe_ends[1]);
  if (pipe_ends[1] >= 0) {
    close(pipe_ends[1]);
  }
  if (pid < 0) {
    return run;
  }
  int status = 0;
  rusage usage{};
  std::size_t sent = 0;
  bool killed = false;
  while (wait4(pid, &status, WNOHANG, &usage) == 0) {
    if (sent < options.signals.size() && ms_since(start) >= options.signals[sent].at_ms) {
      kill(-pid, options.signals[sent++].signal);
    }
    if (!killed && ms_since(start) > options.bound_ms) {
      kill(-pid, SIGKILL);
      killed = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  run.wall_ms = ms_since(start);
  run.cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
  run.exit_code = !killed && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = read_file(dir.path() / "out");
  run.err = read_file(dir.path() / "err");
  return run;
}

SimProcess::SimProcess(const fs::path& dir, const std::vector<std::string>& extra_args)
    : link_(dir / "port"), log_file_(dir / "sim.log") {
  std::vector<std::string> args = {"--link", link_.string(), "--log", log_file_.string()};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  pid_ = spawn(QUINTREL_SIM_PATH, args, dir / "sim.out", dir / "sim.err");
  const auto count = std::find(args.begin(), args.end(), "--count");
  const fs::path last_link =
      count < args.end() - 1 ? fs::path(port(std::stoi(*(count + 1)))) : link_;
  const auto start = SteadyClock::now();
  while (pid_ > 0 && !started_ && ms_since(start) < 5000) {
    std::error_code ignored;
    started_ = fs::is_symlink(last_link, ignored);
    if (!started_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

SimProcess::~SimProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

std::string SimProcess::log() const {
  return read_file(log_file_);
}

std::string SimProcess::received() const {
  std::istringstream lines(log());
  std::string bytes;
  for (std::string line; std::getline(lines, line);) {
    if (const std::size_t rx = line.find(" rx "); rx != std::string::npos) {
      bytes += (bytes.empty() ? "" : " ") + line.substr(rx + 4);
    }
  }
  return bytes;
}

bool SimProcess::wait_for_log(std::string_view text, int count, int timeout_ms, Search in) const {
  const auto start = SteadyClock::now();
  for (;;) {
    const std::string contents = in == Search::kReceived ? received() : log();
    int found = 0;
    for (std::size_t at = contents.find(text); at != std::string::npos;
         at = contents.find(text, at + text.size())) {
      ++found;
    }
    if (found >= count) {
      return true;
    }
    if (ms_since(start) > timeout_ms) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace quintrel::test

// The cost of looking for other programs that hold a port: one walk over a /proc-shaped tree of
// 1,000 processes with 20 descriptors each (an engineer's desktop), made once in a temporary
// directory. The command-line tool walks only to explain a failed exchange or a busy port.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/linux_port_holders.h"

namespace quintrel {
namespace {

namespace fs = std::filesystem;

constexpr int kProcesses = 1000;
constexpr int kDescriptorsEach = 20;

// The tree lives as long as the benchmark program.
class FakeProcTree {
 public:
  FakeProcTree() {
    root_ = fs::temp_directory_path() / ("quintrel-bench-proc-" + std::to_string(::getpid()));
    for (int pid = 100; pid < 100 + kProcesses; ++pid) {
      const fs::path process = root_ / std::to_string(pid);
      fs::create_directories(process / "fd");
      std::ofstream(process / "comm") << "program" << pid << '\n';
      for (int fd = 0; fd < kDescriptorsEach; ++fd) {
        // Files, sockets and terminals, none of them the port looked for.
        const std::string target = fd < 3 ? "/dev/pts/" + std::to_string(pid % 40)
                                          : "/home/user/file" + std::to_string(fd);
        fs::create_symlink(target, process / "fd" / std::to_string(fd));
      }
    }
  }
  ~FakeProcTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  FakeProcTree(const FakeProcTree&) = delete;
  FakeProcTree& operator=(const FakeProcTree&) = delete;

  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

void BM_FindPortHolders(benchmark::State& state) {
  static const FakeProcTree tree;
  for (auto _ : state) {
    benchmark::DoNotOptimize(find_port_holders(tree.root(), "/dev/ttyUSB0", 1));
  }
  state.SetLabel(std::to_string(kProcesses) + " processes x " + std::to_string(kDescriptorsEach) +
                 " descriptors");
}
BENCHMARK(BM_FindPortHolders)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quintrel

// Children on the virtual clock: each job ends when its script says (or never: a child blocked
// in its driver), so deadlines are tested without waiting.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "platform/child_process.h"
#include "tests/support/fake_link.h"

namespace quintrel::cli::test {

struct ScriptedChild {
  std::optional<std::uint32_t> runs_ms;  // nullopt: never ends by itself
  ChildEnd end;                          // how it ends (job is filled in)
  bool refused = false;                  // the system does not start it
};

class FakeChildRunner final : public ChildRunner {
 public:
  // Given the job and its request (the child's standard input).
  using Script = std::function<ScriptedChild(std::size_t job, const std::string& input)>;

  FakeChildRunner(quintrel::test::VirtualClock& clock, Script script)
      : clock_(clock), script_(std::move(script)) {}

  Result<Start> start(std::size_t job, const std::vector<std::string>&,
                      const std::string& input) override {
    ScriptedChild child = script_(job, input);
    if (child.refused) {
      return Failure{"refused"};
    }
    child.end.job = job;
    started.emplace_back(job, clock_.now);
    running_[job] = {child.runs_ms ? std::optional(clock_.now + *child.runs_ms) : std::nullopt,
                     child.end};
    return Start::kStarted;
  }

  std::optional<ChildEnd> wait_for_end(std::uint32_t max_wait_ms) override {
    auto first = running_.end();
    for (auto it = running_.begin(); it != running_.end(); ++it) {
      if (it->second.first &&
          (first == running_.end() || *it->second.first < *first->second.first)) {
        first = it;
      }
    }
    if (first == running_.end() || *first->second.first > clock_.now + max_wait_ms) {
      clock_.now += max_wait_ms;
      return std::nullopt;
    }
    clock_.now = *first->second.first;
    ChildEnd end = first->second.second;
    running_.erase(first);
    return end;
  }

  ChildEnd stop(std::size_t job) override {
    stopped.emplace_back(job, clock_.now);
    running_.erase(job);
    ChildEnd end;
    end.job = job;
    end.how = ChildEnd::How::kStopped;
    return end;
  }

  std::vector<std::pair<std::size_t, std::uint32_t>> started;  // job, virtual time
  std::vector<std::pair<std::size_t, std::uint32_t>> stopped;

 private:
  quintrel::test::VirtualClock& clock_;
  Script script_;
  std::map<std::size_t, std::pair<std::optional<std::uint32_t>, ChildEnd>> running_;
};

// A child that exits with code after printing out.
inline ScriptedChild exits_after(std::uint32_t ms, int code, std::string out,
                                 std::string err = {}) {
  ScriptedChild child;
  child.runs_ms = ms;
  child.end.exit_code = code;
  child.end.out = std::move(out);
  child.end.err = std::move(err);
  return child;
}

inline ScriptedChild blocks() {
  return {};
}

}  // namespace quintrel::cli::test

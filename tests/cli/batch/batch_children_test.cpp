#include "cli/batch/batch_children.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/cli/batch/fake_child_runner.h"

namespace quintrel::cli {
namespace {

using test::blocks;
using test::exits_after;
using How = ChildEnd::How;

class RecordingObserver final : public BatchObserver {
 public:
  explicit RecordingObserver(quintrel::test::VirtualClock& clock) : clock_(clock) {}
  void job_started(std::size_t) override {}
  void job_ended(const ChildEnd& end) override { ended.emplace_back(end.job, clock_.now); }
  void tick() override {}
  void stopping(std::size_t running) override { stops.emplace_back(running, clock_.now); }

  std::vector<std::pair<std::size_t, std::uint32_t>> ended;  // job, virtual time
  std::vector<std::pair<std::size_t, std::uint32_t>> stops;  // jobs running, virtual time

 private:
  quintrel::test::VirtualClock& clock_;
};

using Times = std::vector<std::pair<std::size_t, std::uint32_t>>;

std::vector<ChildJob> jobs_of_ten_seconds(std::size_t count) {
  return std::vector<ChildJob>(count, ChildJob{{}, {}, 10000});
}

TEST(ChildBatch, BlockedChildIsStoppedAtItsDeadlineAndHoldsUpNoOther) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t job, const auto&) {
    return job == 0 ? blocks() : exits_after(job == 1 ? 40 : 9999, 0, "{}");
  });
  RecordingObserver observer(clock);

  const std::vector<ChildEnd> ends =
      run_batch_children(runner, clock, jobs_of_ten_seconds(3), BatchLimits{}, nullptr, observer);

  EXPECT_EQ(observer.ended, (Times{{1, 40}, {2, 9999}, {0, 10000}}));
  EXPECT_EQ(runner.stopped, (Times{{0, 10000}}));
  EXPECT_EQ(ends[0].how, How::kStopped);
  EXPECT_EQ(ends[2].how, How::kExited);
}

TEST(ChildBatch, FreePlacesAreTakenAsChildrenEndAndEachDeadlineRunsFromItsOwnStart) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t job, const auto&) {
    if (job == 1) {
      test::ScriptedChild refused;
      refused.refused = true;
      return refused;
    }
    return job == 2 ? exits_after(300, 0, "{}") : blocks();
  });
  RecordingObserver observer(clock);

  const std::vector<ChildEnd> ends =
      run_batch_children(runner, clock, jobs_of_ten_seconds(4), BatchLimits{2}, nullptr, observer);

  // Job 1 cannot start, so 0 and 2 run first; 3 takes 2's place when it ends.
  EXPECT_EQ(runner.started, (Times{{0, 0}, {2, 0}, {3, 300}}));
  EXPECT_EQ(observer.ended, (Times{{1, 0}, {2, 300}, {0, 10000}, {3, 10300}}));
  EXPECT_EQ(ends[1].how, How::kNotStarted);
  EXPECT_EQ(ends[1].detail, "refused");
}

// Stop requests that come at the given virtual times.
class TimedStops final : public StopRequests {
 public:
  TimedStops(quintrel::test::VirtualClock& clock, std::vector<std::uint32_t> at)
      : clock_(clock), at_(std::move(at)) {}
  int count() const override {
    return static_cast<int>(
        std::count_if(at_.begin(), at_.end(), [this](std::uint32_t t) { return t <= clock_.now; }));
  }

 private:
  quintrel::test::VirtualClock& clock_;
  std::vector<std::uint32_t> at_;
};

TEST(ChildBatch, FirstStopRequestStartsNoMoreJobsTheSecondStopsTheRunningOnes) {
  quintrel::test::VirtualClock clock;
  test::FakeChildRunner runner(clock, [](std::size_t job, const auto&) {
    return job == 0 ? exits_after(300, 0, "{}") : blocks();
  });
  RecordingObserver observer(clock);
  const TimedStops stops(clock, {100, 400});

  const std::vector<ChildEnd> ends =
      run_batch_children(runner, clock, jobs_of_ten_seconds(4), BatchLimits{2}, &stops, observer);

  // Seen at the first tick (250 ms): 2 and 3 never start; 0 ends by itself; 1 runs until the
  // second request is seen (550 ms).
  EXPECT_EQ(runner.started, (Times{{0, 0}, {1, 0}}));
  EXPECT_EQ(observer.ended, (Times{{2, 250}, {3, 250}, {0, 300}, {1, 550}}));
  EXPECT_EQ(runner.stopped, (Times{{1, 550}}));
  EXPECT_EQ(observer.stops, (Times{{2, 250}}));  // said once, with the jobs left running
  EXPECT_EQ(ends[0].how, How::kExited);
  EXPECT_EQ(ends[1].how, How::kInterrupted);
  EXPECT_EQ(ends[3].how, How::kNotRun);
}

// The line's record gives each job its identifier right before it starts; a record that fails
// leaves that job and those after it unstarted.
class PreparingObserver final : public BatchObserver {
 public:
  Result<void> job_starting(std::size_t job, ChildJob& child) override {
    offered.push_back(job);
    if (job == refused) {
      return Failure{"record gone"};
    }
    child.input = "id " + std::to_string(job);
    return {};
  }
  void job_started(std::size_t) override {}
  void job_ended(const ChildEnd&) override {}
  void tick() override {}
  void stopping(std::size_t) override {}

  std::size_t refused = 99;
  std::vector<std::size_t> offered;
};

TEST(ChildBatch, EachJobIsPreparedOnceRightBeforeItStartsAndAFailureStartsNoMore) {
  quintrel::test::VirtualClock clock;
  std::vector<std::string> inputs;
  test::FakeChildRunner runner(clock, [&](std::size_t, const std::string& input) {
    inputs.push_back(input);
    return exits_after(10, 0, "{}");
  });
  PreparingObserver observer;
  observer.refused = 2;
  const std::vector<ChildEnd> ends =
      run_batch_children(runner, clock, jobs_of_ten_seconds(4), BatchLimits{1}, nullptr, observer);

  EXPECT_EQ(inputs, (std::vector<std::string>{"id 0", "id 1"}));
  EXPECT_EQ(observer.offered, (std::vector<std::size_t>{0, 1, 2}));
  for (const std::size_t job : {2u, 3u}) {
    EXPECT_EQ(ends[job].how, How::kNotRun);
    EXPECT_EQ(ends[job].detail, "record gone");
  }
}

}  // namespace
}  // namespace quintrel::cli

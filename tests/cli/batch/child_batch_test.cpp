#include "cli/batch/child_batch.h"

#include <gtest/gtest.h>

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

  std::vector<std::pair<std::size_t, std::uint32_t>> ended;  // job, virtual time

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
      run_child_batch(runner, clock, jobs_of_ten_seconds(3), BatchLimits{}, observer);

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
      run_child_batch(runner, clock, jobs_of_ten_seconds(4), BatchLimits{2}, observer);

  // Job 1 cannot start, so 0 and 2 run first; 3 takes 2's place when it ends.
  EXPECT_EQ(runner.started, (Times{{0, 0}, {2, 0}, {3, 300}}));
  EXPECT_EQ(observer.ended, (Times{{1, 0}, {2, 300}, {0, 10000}, {3, 10300}}));
  EXPECT_EQ(ends[1].how, How::kNotStarted);
  EXPECT_EQ(ends[1].detail, "refused");
}

}  // namespace
}  // namespace quintrel::cli

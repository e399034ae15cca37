// When the pieces of one reply go to the line. Each step goes out after its delay, counted from
// the moment the step before it went out (the first from the reply's start); with pacing one byte
// at a time at the byte times of a 38400 8N1 line, counted from the step's start so that a late
// wake-up does not stretch the reply, else the whole step at once. The caller owns the clock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>

#include "sim/fault_layer.h"

namespace quintrel::sim {

inline constexpr std::chrono::nanoseconds kPacedByteTime{260417};  // 10 bits at 38400 bit/s

class ReplySender {
 public:
  struct Piece {
    std::chrono::nanoseconds due;
    std::span<const std::uint8_t> bytes;
    std::span<const std::uint8_t> step;  // the whole step, for the log once its last piece is out
    bool last_of_step = false;
  };

  ReplySender(ReplyPlan plan, bool pace, std::chrono::nanoseconds start)
      : plan_(std::move(plan)), pace_(pace), step_start_(start) {}

  // The next piece; nullopt once the reply is out.
  std::optional<Piece> next() const;
  // The next piece went to the line at `at`.
  void sent(std::chrono::nanoseconds at);
  // The line took no more: the rest is dropped.
  void abandon() { step_ = plan_.steps.size(); }

  const ReplyPlan& plan() const { return plan_; }

 private:
  ReplyPlan plan_;
  bool pace_;
  std::size_t step_ = 0;
  std::size_t byte_ = 0;  // paced: the next byte within the step
  std::chrono::nanoseconds step_start_;
};

}  // namespace quintrel::sim

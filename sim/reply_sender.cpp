#include "sim/reply_sender.h"

namespace quintrel::sim {

std::optional<ReplySender::Piece> ReplySender::next() const {
  if (step_ >= plan_.steps.size()) {
    return std::nullopt;
  }
  const ReplyStep& step = plan_.steps[step_];
  const std::chrono::nanoseconds begin = step_start_ + std::chrono::milliseconds(step.delay_ms);
  if (!pace_ || step.bytes.empty()) {
    return Piece{begin, step.bytes, step.bytes, true};
  }
  const auto paced = static_cast<std::chrono::nanoseconds::rep>(byte_ + 1);
  return Piece{begin + kPacedByteTime * paced, std::span(step.bytes).subspan(byte_, 1), step.bytes,
               byte_ + 1 == step.bytes.size()};
}

void ReplySender::sent(std::chrono::nanoseconds at) {
  if (pace_ && ++byte_ < plan_.steps[step_].bytes.size()) {
    return;
  }
  byte_ = 0;
  ++step_;
  step_start_ = at;
}

}  // namespace quintrel::sim

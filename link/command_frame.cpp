#include "link/command_frame.h"

#include <utility>

namespace quintrel {

std::uint8_t xor_of(std::span<const std::uint8_t> bytes) {
  std::uint8_t value = 0;
  for (const std::uint8_t byte : bytes) {
    value ^= byte;
  }
  return value;
}

std::vector<std::uint8_t> build_frame(std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> frame;
  frame.reserve(payload.size() + 3);
  frame.push_back(kStx);
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(kEtx);
  frame.push_back(frame_check_byte(payload));
  return frame;
}

std::vector<std::uint8_t> build_text_frame(std::string_view payload) {
  return build_frame(
      std::span(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
}

void FrameReader::start_frame() {
  payload_.clear();
  check_ = 0;
  stage_ = Stage::kPayload;
}

std::optional<std::string> FrameReader::take(std::uint8_t byte) {
  switch (stage_) {
    case Stage::kHunting:
      if (byte == kStx) {
        start_frame();
      }
      return std::nullopt;
    case Stage::kPayload:
      if (byte == kStx) {
        // A frame left half-written (a host stopped in the middle) must not swallow the next.
        start_frame();
        return std::nullopt;
      }
      check_ ^= byte;
      if (byte == kEtx) {
        stage_ = Stage::kCheckByte;
      } else {
        payload_.push_back(static_cast<char>(byte));
      }
      return std::nullopt;
    case Stage::kCheckByte:
      stage_ = Stage::kHunting;
      if (byte != check_) {
        if (byte == kStx) {
          start_frame();  // a tail cut after its ETX, then the next frame
        }
        return std::nullopt;
      }
      return std::move(payload_);
  }
  return std::nullopt;
}

}  // namespace quintrel

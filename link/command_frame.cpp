#include "link/command_frame.h"

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

}  // namespace quintrel

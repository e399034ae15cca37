// The frame every command and reply travels in: STX, payload, ETX, check byte. The check byte is
// the exclusive-or of the payload bytes and the ETX; STX is not included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quintrel {

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;

// Exclusive-or of the bytes (0 for none).
std::uint8_t xor_of(std::span<const std::uint8_t> bytes);

// The check byte of a frame carrying this payload.
inline std::uint8_t frame_check_byte(std::span<const std::uint8_t> payload) {
  return static_cast<std::uint8_t>(xor_of(payload) ^ kEtx);
}

// The whole frame as one byte string (the exchange writes it in three pieces; the simulated
// device and the tests use it whole).
std::vector<std::uint8_t> build_frame(std::span<const std::uint8_t> payload);

}  // namespace quintrel

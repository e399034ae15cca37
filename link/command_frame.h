// The frame every command and reply travels in: STX, payload, ETX, check byte. The check byte is
// the exclusive-or of the payload bytes and the ETX; STX is not included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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
// device and the tests use it whole). A text payload is taken byte for byte.
std::vector<std::uint8_t> build_frame(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> build_text_frame(std::string_view payload);

// Takes frames out of a byte stream the way the device does: bytes before an STX are skipped, the
// payload runs up to the ETX, and the byte after that is the check byte. A frame whose check byte
// is wrong is dropped, like noise on the line. Every STX starts a frame afresh, but for the check
// byte that matches: a device that kept an unfinished frame would lose the next command with it.
class FrameReader {
 public:
  // Takes one byte; returns the payload of the frame this byte completed.
  std::optional<std::string> take(std::uint8_t byte);

 private:
  enum class Stage { kHunting, kPayload, kCheckByte };

  void start_frame();

  Stage stage_ = Stage::kHunting;
  std::string payload_;
  std::uint8_t check_ = 0;
};

}  // namespace quintrel

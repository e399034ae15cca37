// One command out, one reply back, over an open serial link. Each exchange is send_command
// followed at once by receive_reply; both return how they ended, and the caller decides whether
// and where a failure is shown.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/byte_port.h"
#include "link/clock.h"
#include "link/link_outcome.h"
#include "link/serial_link.h"

namespace quintrel {

inline constexpr std::size_t kReplyBufferSize = 200;
using ReplyBuffer = std::array<std::uint8_t, kReplyBufferSize>;

inline constexpr std::uint32_t kPiecePauseMs = 10;   // before the first attempt of each piece
inline constexpr std::uint32_t kRetryPauseMs = 100;  // after an attempt that wrote nothing
inline constexpr int kMaxWriteAttempts = 5;
inline constexpr std::uint32_t kReplyStageMs = 1000;  // each of the three reply stages

// Purges the port and writes the frame in three pieces (STX; payload; ETX and check byte).
// Ok once the frame has been handed to the port, kPortNotOpen when the link is closed, kPortGone
// when the port went away while writing. A piece
// that cannot be sent whole stops the frame there, so the device never sees a complete frame and
// the following receive_reply times out. The device answers only a whole frame, so input that
// arrives before the last piece has gone out (a late copy of an earlier reply) is dropped then.
LinkOutcome send_command(SerialLink& link, std::span<const std::uint8_t> payload);

// What a piece's write does with the input waiting before each attempt.
enum class InputBeforePiece {
  kKept,
  kDropped,  // the frame's last piece: nothing received before it is written answers the frame
};

// Writes one piece: a 10 ms pause, then at most five attempts; the bytes an attempt leaves unsent
// go out in the next one, and only an attempt that wrote nothing is followed by a 100 ms pause.
// True when the whole piece went out.
bool write_with_retry(BytePort& port, Clock& clock, std::span<const std::uint8_t> bytes,
                      InputBeforePiece input = InputBeforePiece::kKept);

// Waits for one reply frame in three stages of at most 1000 ms (to its STX, to its ETX, to its
// check byte) and leaves the payload, NUL-terminated, at the start of the buffer. Ok with the
// payload's size, or why not: link closed, a stage timed out, the port went away (said at once),
// a wrong check byte, a body that does not fit the buffer, or an empty payload (the one failure a
// window passes over silently).
LinkOutcome receive_reply(SerialLink& link, std::span<std::uint8_t> buffer);

}  // namespace quintrel

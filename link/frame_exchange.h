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

// Every reply the device sends is a few bytes (a digit, at most eight hex digits, OK or NG) and
// only its first token is read; 200 bytes (199 of payload and the terminator) leave room for a
// device that says more after it, as large as the payload buffer, and still take only 52 ms on the
// line. A longer body is read to its check byte but never stored past the buffer.
inline constexpr std::size_t kReplyBufferSize = 200;
using ReplyBuffer = std::array<std::uint8_t, kReplyBufferSize>;

// Before the first attempt of each piece: a slow device gets time to take in each piece, so a
// command costs at least 30 ms.
inline constexpr std::uint32_t kPiecePauseMs = 10;
// After an attempt that wrote nothing: time for the port's full output queue to drain.
inline constexpr std::uint32_t kRetryPauseMs = 100;
// With the pauses, a piece the port keeps refusing gives up within about half a second, a frame
// within 1.6 s: a window is never held up for long by a port that takes nothing.
inline constexpr int kMaxWriteAttempts = 5;
// Each of the three reply stages. A device answers within milliseconds; a second leaves room for a
// slow or busy one, while a silent device costs the operator only a second.
inline constexpr std::uint32_t kReplyStageMs = 1000;

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

#include "link/frame_exchange.h"

#include <algorithm>

#include "link/command_frame.h"

namespace quintrel {

namespace {

// Waits for one byte until the stage that began at stage_start has run longer than its window
// (exactly kReplyStageMs still reads). kOk with the byte, kReplyTimeout, or kPortGone at once
// when the port went away.
LinkStatus read_within_stage(BytePort& port, Clock& clock, std::uint32_t stage_start,
                             std::uint8_t& byte) {
  for (;;) {
    const std::uint32_t elapsed = clock.now_ms() - stage_start;  // wraps harmlessly
    if (elapsed > kReplyStageMs) {
      return LinkStatus::kReplyTimeout;
    }
    if (port.read_byte(byte)) {
      return LinkStatus::kOk;
    }
    if (port.gone()) {
      return LinkStatus::kPortGone;
    }
  }
}

}  // namespace

bool write_with_retry(BytePort& port, Clock& clock, std::span<const std::uint8_t> bytes,
                      InputBeforePiece input) {
  clock.sleep_ms(kPiecePauseMs);
  for (int attempt = 1; attempt <= kMaxWriteAttempts; ++attempt) {
    if (input == InputBeforePiece::kDropped) {
      port.discard_input();  // also what came during a retry's pause: the frame is not yet whole
    }
    const WriteOutcome outcome = port.write(bytes);
    const std::size_t written = outcome.ok ? std::min(outcome.written, bytes.size()) : 0;
    bytes = bytes.subspan(written);
    if (bytes.empty()) {
      return true;
    }
    if (port.gone()) {
      return false;  // no later attempt can go out
    }
    if (written == 0 && attempt < kMaxWriteAttempts) {
      clock.sleep_ms(kRetryPauseMs);
    }
  }
  return false;
}

LinkOutcome send_command(SerialLink& link, std::span<const std::uint8_t> payload) {
  SerialPort* const port = link.port();
  if (port == nullptr) {
    return link_outcome(LinkStatus::kPortNotOpen);
  }
  Clock& clock = link.clock();
  port->purge();
  const std::uint8_t stx[] = {kStx};
  const std::uint8_t tail[] = {kEtx, frame_check_byte(payload)};
  // A piece that did not go out whole ends the frame: the reply stage then times out.
  if (write_with_retry(*port, clock, stx) && write_with_retry(*port, clock, payload)) {
    write_with_retry(*port, clock, tail, InputBeforePiece::kDropped);
  }
  return link_outcome(port->gone() ? LinkStatus::kPortGone : LinkStatus::kOk);
}

LinkOutcome receive_reply(SerialLink& link, std::span<std::uint8_t> buffer) {
  if (!link.is_open()) {
    return link_outcome(LinkStatus::kPortNotOpen);
  }
  if (buffer.empty()) {
    // No room even for the terminator; every caller passes a ReplyBuffer.
    return link_outcome(LinkStatus::kReplyTooLong);
  }
  BytePort& port = *link.port();
  Clock& clock = link.clock();
  std::uint8_t byte = 0;

  const std::uint32_t hunt_start = clock.now_ms();
  do {
    if (const LinkStatus read = read_within_stage(port, clock, hunt_start, byte);
        read != LinkStatus::kOk) {
      return link_outcome(read);
    }
  } while (byte != kStx);

  // The body is stored with its ETX; a body longer than the buffer is still read to its check
  // byte, but never stored past the buffer's end.
  const std::uint32_t body_start = clock.now_ms();
  std::size_t stored = 0;
  bool overflow = false;
  std::uint8_t check = 0;
  do {
    if (const LinkStatus read = read_within_stage(port, clock, body_start, byte);
        read != LinkStatus::kOk) {
      return link_outcome(read);
    }
    check ^= byte;
    if (stored < buffer.size()) {
      buffer[stored++] = byte;
    } else {
      overflow = true;
    }
  } while (byte != kEtx);

  const std::uint32_t check_start = clock.now_ms();
  if (const LinkStatus read = read_within_stage(port, clock, check_start, byte);
      read != LinkStatus::kOk) {
    return link_outcome(read);
  }
  buffer[stored - 1] = 0;  // the stored ETX, or the last slot of an overflowing body
  if (overflow) {
    return link_outcome(LinkStatus::kReplyTooLong);
  }
  if (byte != check) {
    return link_outcome(LinkStatus::kCheckByteWrong);
  }
  // Only the ETX was stored: an empty payload, which fails without a message.
  if (stored == 1) {
    return link_outcome(LinkStatus::kEmptyReply);
  }
  LinkOutcome outcome = link_outcome(LinkStatus::kOk);
  outcome.payload_size = stored - 1;
  return outcome;
}

}  // namespace quintrel

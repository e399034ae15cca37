#include "link/frame_exchange.h"

#include <algorithm>

#include "link/clock.h"
#include "link/command_frame.h"
#include "link/serial_link.h"
#include "ui/messages.h"

namespace quintrel {

namespace {

// Records why the exchange failed, shows the message and gives the failure result.
int fail(OwnerWindow owner, LinkStatus status, const char16_t* text) {
  serial_link().last_status = status;
  show_message(kKindError, owner, text, messages::kErrorTitle);
  return -1;
}

// Waits for one byte until the stage that began at stage_start has run longer than its window
// (exactly kReplyStageMs still reads). False when the stage timed out.
bool read_within_stage(BytePort& port, Clock& clock, std::uint32_t stage_start,
                       std::uint8_t& byte) {
  for (;;) {
    const std::uint32_t elapsed = clock.now_ms() - stage_start;  // wraps harmlessly
    if (elapsed > kReplyStageMs) {
      return false;
    }
    if (port.read_byte(byte)) {
      return true;
    }
  }
}

}  // namespace

bool write_with_retry(std::span<const std::uint8_t> bytes) {
  BytePort& port = *serial_link().device;
  Clock& clock = link_clock();
  clock.sleep_ms(kPiecePauseMs);
  for (int attempt = 1; attempt <= kMaxWriteAttempts; ++attempt) {
    const WriteOutcome outcome = port.write(bytes);
    const std::size_t written = outcome.ok ? std::min(outcome.written, bytes.size()) : 0;
    bytes = bytes.subspan(written);
    if (bytes.empty()) {
      return true;
    }
    if (written == 0 && attempt < kMaxWriteAttempts) {
      clock.sleep_ms(kRetryPauseMs);
    }
  }
  return false;
}

int send_command(OwnerWindow owner, std::span<const std::uint8_t> payload) {
  SerialLink& link = serial_link();
  if (!link.is_open()) {
    return fail(owner, LinkStatus::kPortNotOpen, messages::kPortNotOpen);
  }
  link.last_status = LinkStatus::kOk;
  link.device->purge();
  const std::uint8_t stx[] = {kStx};
  const std::uint8_t tail[] = {kEtx, frame_check_byte(payload)};
  // A piece that did not go out whole ends the frame: the reply stage then times out.
  if (write_with_retry(stx) && write_with_retry(payload)) {
    write_with_retry(tail);
  }
  return 0;
}

int receive_reply(OwnerWindow owner, std::span<std::uint8_t> buffer) {
  SerialLink& link = serial_link();
  if (!link.is_open()) {
    return fail(owner, LinkStatus::kPortNotOpen, messages::kPortNotOpen);
  }
  if (buffer.empty()) {
    // No room even for the terminator; every caller passes a ReplyBuffer.
    link.last_status = LinkStatus::kReplyTooLong;
    return -1;
  }
  BytePort& port = *link.device;
  Clock& clock = link_clock();
  std::uint8_t byte = 0;

  const std::uint32_t hunt_start = clock.now_ms();
  do {
    if (!read_within_stage(port, clock, hunt_start, byte)) {
      return fail(owner, LinkStatus::kReplyTimeout, messages::kReplyTimeout);
    }
  } while (byte != kStx);

  // The body is stored with its ETX; a body longer than the buffer is still read to its check
  // byte, but never stored past the buffer's end.
  const std::uint32_t body_start = clock.now_ms();
  std::size_t stored = 0;
  bool overflow = false;
  std::uint8_t check = 0;
  do {
    if (!read_within_stage(port, clock, body_start, byte)) {
      return fail(owner, LinkStatus::kReplyTimeout, messages::kReplyTimeout);
    }
    check ^= byte;
    if (stored < buffer.size()) {
      buffer[stored++] = byte;
    } else {
      overflow = true;
    }
  } while (byte != kEtx);

  const std::uint32_t check_start = clock.now_ms();
  if (!read_within_stage(port, clock, check_start, byte)) {
    return fail(owner, LinkStatus::kReplyTimeout, messages::kReplyTimeout);
  }
  buffer[stored - 1] = 0;  // the stored ETX, or the last slot of an overflowing body
  if (overflow) {
    return fail(owner, LinkStatus::kReplyTooLong, messages::kReplyBccError);
  }
  if (byte != check) {
    return fail(owner, LinkStatus::kCheckByteWrong, messages::kReplyBccError);
  }
  // Only the ETX was stored: an empty payload, which fails without a message.
  link.last_status = stored == 1 ? LinkStatus::kEmptyReply : LinkStatus::kOk;
  return static_cast<int>(stored) - 2;
}

}  // namespace quintrel

// How an open, an exchange or a setting command ended, and the message a window shows for it.
// The core shows nothing itself: each caller (the windows, the command-line tool, a test) decides
// what to do with an outcome.
#pragma once

#include <cstddef>
#include <string>

namespace quintrel {

enum class LinkStatus {
  kOk,
  kPortNotOpen,           // "Communication port not open"
  kReplyTimeout,          // a reply stage ran out: "Response reception timeout"
  kCheckByteWrong,        // "Response BCC error"
  kReplyTooLong,          // a body that does not fit the buffer, also shown as the BCC error
  kEmptyReply,            // a reply with an empty payload, which the window passes over silently
  kPortGone,              // the port went away mid-command (adapter unplugged, other end closed)
  kIdentifierOutOfRange,  // the device reported an identifier above 0x7FF; reason holds it
  kIdentifierNotHex,      // the device's identifier reply has no hex digits; reason holds it
  kDeviceRefused,         // the device answered a write, commit or buzzer-off with "NG"
  kCannotOpen,            // "Communication port can not be opened"
  kCannotGetSettings,     // "Could not get communication port settings"
  kCannotSetSettings,     // "Could not set communication port"
};

// Why the operating system refused an open: the port is not there, another program holds it, or
// anything else (permissions, a device that refuses).
enum class OpenFailure { kNone, kMissing, kBusy, kOther };

struct LinkOutcome {
  LinkStatus status = LinkStatus::kOk;
  // receive_reply: the payload's length (the bytes before its terminator).
  std::size_t payload_size = 0;
  // A refused open: its kind and the system's reason in words a user can act on (may be empty).
  // A value the device should not have sent: that value as it came.
  OpenFailure open_failure = OpenFailure::kNone;
  std::string reason;

  bool ok() const { return status == LinkStatus::kOk; }
  // The text the window shows for this outcome; empty when it shows none (success, empty reply).
  std::u16string message() const;
  // The title of that message: "error" for an exchange, none for the open's steps.
  const char16_t* title() const;
};

inline LinkOutcome link_outcome(LinkStatus status) {
  LinkOutcome outcome;
  outcome.status = status;
  return outcome;
}

}  // namespace quintrel

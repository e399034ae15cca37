// Why the last open or exchange on the serial link ended as it did. The operations still show
// their message and return -1 as the window expects; this lets a caller without a window (the
// command-line tool) tell the failures apart, including the empty reply that shows nothing.
#pragma once

namespace quintrel {

enum class LinkStatus {
  kOk,
  kPortNotOpen,        // "Communication port not open"
  kReplyTimeout,       // a reply stage ran out: "Response reception timeout"
  kCheckByteWrong,     // "Response BCC error"
  kReplyTooLong,       // a body that does not fit the buffer, also shown as the BCC error
  kEmptyReply,         // a reply with an empty payload, shown nowhere
  kCannotOpen,         // "Communication port can not be opened"
  kCannotGetSettings,  // "Could not get communication port settings"
  kCannotSetSettings,  // "Could not set communication port"
};

}  // namespace quintrel

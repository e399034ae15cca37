// Every text the program shows in its message window, in one place so that the window, the
// command-line tool and the tests use the same words.
#pragma once

namespace quintrel::messages {

inline constexpr char16_t kPortCannotOpen[] = u"Communication port can not be opened";
inline constexpr char16_t kCannotGetSettings[] = u"Could not get communication port settings";
inline constexpr char16_t kCannotSetPort[] = u"Could not set communication port";
inline constexpr char16_t kPortNotOpen[] = u"Communication port not open";
inline constexpr char16_t kReplyTimeout[] = u"Response reception timeout";
inline constexpr char16_t kReplyBccError[] = u"Response BCC error";
inline constexpr char16_t kPortGone[] =
    u"Communication port went away (adapter unplugged or its other end closed)";
// Followed by the value the device sent.
inline constexpr char16_t kIdentifierOutOfRange[] = u"Device fault: identifier outside 0..7FF: ";
// Followed by the start of the reply, each byte that is not printable shown as '?'.
inline constexpr char16_t kIdentifierNotHex[] =
    u"Device fault: identifier reply without hex digits: ";
// The device answered "NG": it did not carry the command out.
inline constexpr char16_t kDeviceRefused[] = u"Device refused the command";
inline constexpr char16_t kSaveQuestion[] = u"Save settings ?";
inline constexpr char16_t kSaved[] = u"Saved !!!";

inline constexpr char16_t kErrorTitle[] = u"error";
inline constexpr char16_t kNoTitle[] = u"";

}  // namespace quintrel::messages

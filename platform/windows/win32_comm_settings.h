// What the open writes into a Windows serial port, worked out from what the port reported: the
// line settings (DCB), and whether time-outs that the port kept after refusing ours can be lived
// with. Pure functions, so the rules hold without a driver at hand.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quintrel {

// XON and XOFF (DC1, DC3). SetCommState fails when the two are equal, as some drivers report them
// (both 0), even with XON/XOFF off.
inline constexpr char kXonChar = 0x11;
inline constexpr char kXoffChar = 0x13;
// Queue limits for a driver that reports none (0): a quarter of a 1 KiB input queue each, which
// stays inside any input queue a driver keeps. No input flow control is on, so they never act.
inline constexpr WORD kXonLimit = 256;
inline constexpr WORD kXoffLimit = 256;

// The reported settings made ready for the exchange: 38400 bit/s, 8 data bits, no parity, one
// stop bit; nothing that drops, replaces or acts on bytes (a check byte may be 0x00, 0x11 or
// 0x13); no handshake another program may have left. A line under handshake becomes enabled, so
// SetCommState does not drop it (a pulse that resets an adapter wired to DTR) before SETDTR and
// SETRTS raise it; RTS toggle, low while idle, becomes disabled. Enabled and disabled lines stay.
DCB exchange_line_settings(DCB reported);

inline constexpr std::uint64_t kWaitsForEver = UINT64_MAX;

// How long a one-byte read can wait when no byte comes, under these time-outs (the rules of the
// COMMTIMEOUTS structure); kWaitsForEver when nothing ends it.
std::uint64_t longest_idle_read_ms(const COMMTIMEOUTS& timeouts);

// The longest an idle one-byte read may wait on a port that refused the short time-outs.
inline constexpr std::uint64_t kLongestAcceptableReadMs = 100;

// Whether the time-outs a port kept after refusing ours still let exchanges end: an idle one-byte
// read within kLongestAcceptableReadMs, and a write within a total time-out (with both write
// totals 0 a write to a stalled adapter never ends).
bool kept_timeouts_usable(const COMMTIMEOUTS& kept);

}  // namespace quintrel

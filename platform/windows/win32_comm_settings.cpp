#include "platform/windows/win32_comm_settings.h"

namespace quintrel {

DCB exchange_line_settings(DCB reported) {
  DCB line = reported;
  line.BaudRate = CBR_38400;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.fBinary = TRUE;
  line.fParity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
  line.fAbortOnError = FALSE;
  line.XonChar = kXonChar;
  line.XoffChar = kXoffChar;
  if (line.XonLim == 0 || line.XoffLim == 0) {
    line.XonLim = kXonLimit;
    line.XoffLim = kXoffLimit;
  }
  // Output held until CTS or DSR, or input ignored without DSR, would stop every exchange on an
  // adapter that does not wire those lines.
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDsrSensitivity = FALSE;
  if (line.fDtrControl == DTR_CONTROL_HANDSHAKE) {
    line.fDtrControl = DTR_CONTROL_ENABLE;
  }
  if (line.fRtsControl == RTS_CONTROL_HANDSHAKE) {
    line.fRtsControl = RTS_CONTROL_ENABLE;
  } else if (line.fRtsControl == RTS_CONTROL_TOGGLE) {
    line.fRtsControl = RTS_CONTROL_DISABLE;
  }
  return line;
}

std::uint64_t longest_idle_read_ms(const COMMTIMEOUTS& timeouts) {
  const std::uint64_t multiplier = timeouts.ReadTotalTimeoutMultiplier;
  const std::uint64_t constant = timeouts.ReadTotalTimeoutConstant;
  if (timeouts.ReadIntervalTimeout == MAXDWORD) {
    if (multiplier == 0 && constant == 0) {
      return 0;  // returns at once with what has arrived
    }
    if (multiplier == MAXDWORD && constant > 0 && constant < MAXDWORD) {
      return constant;  // waits for the first byte up to the constant
    }
  }
  if (multiplier == 0 && constant == 0) {
    return kWaitsForEver;  // no total time-out; the interval one starts only with a byte
  }
  return multiplier + constant;
}

bool kept_timeouts_usable(const COMMTIMEOUTS& kept) {
  const bool writes_end =
      kept.WriteTotalTimeoutMultiplier != 0 || kept.WriteTotalTimeoutConstant != 0;
  return writes_end && longest_idle_read_ms(kept) <= kLongestAcceptableReadMs;
}

}  // namespace quintrel

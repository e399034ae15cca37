// What the open writes into a port, from settings drivers have been seen to report.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/windows/win32_comm_settings.h"

namespace quintrel {
namespace {

TEST(ExchangeLineSettings, GivesDistinctXonAndXoffWhereTheDriverReportedBothAsZero) {
  const DCB line = exchange_line_settings(DCB{});
  EXPECT_EQ(line.XonChar, 0x11);
  EXPECT_EQ(line.XoffChar, 0x13);
  EXPECT_GT(line.XonLim, 0);
  EXPECT_GT(line.XoffLim, 0);
  EXPECT_TRUE(line.fOutX == FALSE && line.fInX == FALSE);
}

TEST(ExchangeLineSettings, LeavesAHandshakenLineUpAndTakesRtsToggleDown) {
  DCB reported{};
  reported.fDtrControl = DTR_CONTROL_HANDSHAKE;
  reported.fRtsControl = RTS_CONTROL_HANDSHAKE;
  const DCB line = exchange_line_settings(reported);
  EXPECT_TRUE(line.fDtrControl == DTR_CONTROL_ENABLE && line.fRtsControl == RTS_CONTROL_ENABLE);
  reported.fDtrControl = DTR_CONTROL_DISABLE;
  reported.fRtsControl = RTS_CONTROL_TOGGLE;
  const DCB toggled = exchange_line_settings(reported);
  EXPECT_TRUE(toggled.fDtrControl == DTR_CONTROL_DISABLE &&
              toggled.fRtsControl == RTS_CONTROL_DISABLE);
}

TEST(KeptTimeouts, WritesWithoutATotalTimeOutAreRefused) {
  COMMTIMEOUTS kept{1, 1, 1, 0, 0};
  EXPECT_FALSE(kept_timeouts_usable(kept));
  kept.WriteTotalTimeoutConstant = 100;
  EXPECT_TRUE(kept_timeouts_usable(kept));
}

}  // namespace
}  // namespace quintrel

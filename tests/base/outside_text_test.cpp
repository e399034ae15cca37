#include "base/outside_text.h"

#include <gtest/gtest.h>

namespace quintrel {
namespace {

TEST(EscapedControls, ControlsAndStrayBytesAreShownNotObeyed) {
  // A window title set by a process's name, cursor movement, DEL and a newline.
  EXPECT_EQ(escaped_controls("\x1b]0;owned\x07 a\x1b[2J\x7f\n"),
            "\\x1B]0;owned\\x07 a\\x1B[2J\\x7F\\x0A");
  // The C1 CSI as UTF-8 and as a lone byte; a cut sequence, an overlong "/" and a surrogate.
  EXPECT_EQ(escaped_controls("\xC2\x9B"
                             "2J \x9B \xC3 \xC0\xAF \xED\xA0\x80"),
            "\\xC2\\x9B2J \\x9B \\xC3 \\xC0\\xAF \\xED\\xA0\\x80");
  // Printable text passes unchanged, from every plane.
  EXPECT_EQ(escaped_controls("FT232R USB UART Ger\xC3\xA4t \xC2\xA0\xE2\x82\xAC \xF0\x9F\x94\x8C"),
            "FT232R USB UART Ger\xC3\xA4t \xC2\xA0\xE2\x82\xAC \xF0\x9F\x94\x8C");
}

}  // namespace
}  // namespace quintrel

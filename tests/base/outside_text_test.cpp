#include "base/outside_text.h"

#include <gtest/gtest.h>

namespace quintrel {
namespace {

TEST(EscapedControls, ControlsAndStrayBytesAreShownNotObeyed) {
  // A window title, cursor movement, DEL, a newline; the C1 CSI as UTF-8 and alone; a cut
  // sequence, an overlong "/" and a surrogate.
  EXPECT_EQ(
      escaped_controls("\x1b]0;owned\x07 \x1b[2J\x7f\n \xC2\x9B \x9B \xC3 \xC0\xAF \xED\xA0\x80"),
      "\\x1B]0;owned\\x07 \\x1B[2J\\x7F\\x0A \\xC2\\x9B \\x9B \\xC3 \\xC0\\xAF \\xED\\xA0\\x80");
  EXPECT_EQ(escaped_controls("Ger\xC3\xA4t \xC2\xA0\xE2\x82\xAC \xF0\x9F\x94\x8C"),
            "Ger\xC3\xA4t \xC2\xA0\xE2\x82\xAC \xF0\x9F\x94\x8C");
}

}  // namespace
}  // namespace quintrel

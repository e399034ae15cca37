#include "base/utf8_text.h"

#include <gtest/gtest.h>

#include "base/outside_text.h"

namespace quintrel {
namespace {

TEST(Utf8Text, RoundTripsEveryPlane) {
  const std::u16string text = u"COM3 Gerät \u20AC \U0001F50C";
  const std::string utf8 = utf8_from_utf16(text);
  EXPECT_EQ(utf8, "COM3 Ger\xC3\xA4t \xE2\x82\xAC \xF0\x9F\x94\x8C");
  EXPECT_EQ(utf16_from_utf8(utf8), text);
}

TEST(Utf8Text, BadInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf8_from_utf16(std::u16string(1, char16_t{0xD800}) + u"a"),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(utf8_from_utf16(std::u16string(1, char16_t{0xDC00})), "\xEF\xBF\xBD");
  // A cut sequence, a stray continuation byte, an overlong form and an encoded surrogate.
  EXPECT_EQ(utf16_from_utf8("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(utf16_from_utf8("\x80z"), u"\uFFFDz");
  EXPECT_EQ(utf16_from_utf8("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(utf16_from_utf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
}

// escaped_controls (base/outside_text) reads the same UTF-8 forms.
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

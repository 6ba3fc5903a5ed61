// The conversions between UTF-8 and the program's 16-bit strings, the
// escaped bytes that keep a file name's bytes, and the cut that keeps
// characters whole.
#include <gtest/gtest.h>

#include "core/text.h"

namespace kivora {
namespace {

std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char b : bytes) out += "0123456789ABCDEF"[b >> 4], out += "0123456789ABCDEF"[b & 15], out += ' ';
  return out;
}

TEST(Text, Utf8ToUtf16TakesOnlyWellFormedSequences) {
  const std::u16string r = u"\uFFFD";
  const struct {
    std::string bytes;
    std::u16string text;  // for what is shown; Escaped keeps each bad byte
  } cases[] = {
      {"\x7F\xC2\x80", u"\u007F\u0080"},
      {"\xDF\xBF\xE0\xA0\x80", u"\u07FF\u0800"},
      {"\xEF\xBF\xBF\xF0\x90\x80\x80", u"\uFFFF\U00010000"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"\xF4\x90\x80\x80", r + r + r + r},        // past U+10FFFF
      {"\xC0\xAF", r + r},                         // overlong "/"
      {"\xC1\x9C", r + r},                         // overlong "\"
      {"\xE0\x80\xAF", r + r + r},                 // overlong "/" in three bytes
      {"\xF0\x80\x80\xAF", r + r + r + r},         // and in four
      {"\xED\xA0\x80", r + r + r},                 // a high surrogate
      {"\xED\xBF\xBF", r + r + r},                 // a low surrogate
      {"\xF8\x88\x80\x80\x80", r + r + r + r + r},  // a five-byte lead
      {"\xFC\x84\x80\x80\x80\x80", r + r + r + r + r + r},  // a six-byte lead
      {"a\xE6\x97", u"a" + r + r},                 // cut off at the end
      {"\xE6\x97" "a", r + r + u"a"},              // cut off by the next character
      {"\x80", r},
      {"\xC3\xC3", r + r},                         // a lead where its trail should be
      {"\xF0\x8F\xBF\xBF", r + r + r + r},         // U+FFFF overlong in four bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text);
    std::u16string escaped = Utf8ToUtf16Escaped(c.bytes);
    EXPECT_EQ(escaped.find_first_of(u"/\\"), std::u16string::npos) << "a separator out of nothing";
    EXPECT_EQ(Shown(escaped), c.text) << "escaped bytes are shown as U+FFFD";
    EXPECT_EQ(Utf16ToUtf8Escaped(escaped), c.bytes) << "the same bytes come back";
    if (escaped == c.text) {
      EXPECT_EQ(Utf16ToUtf8(c.text), c.bytes) << "well-formed text goes back as it came";
    }
  }
}

TEST(Text, Utf16ToUtf8WritesUnpairedSurrogatesAsTheReplacement) {
  const std::string r = "\xEF\xBF\xBD";
  const struct {
    std::u16string text;
    std::string shown, escaped;  // Utf16ToUtf8, Utf16ToUtf8Escaped
  } cases[] = {
      {u"\U0001F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {u"a\xD83D", "a" + r, "a" + r},                     // a lone high surrogate
      {u"\xDE00z", r + "z", r + "z"},                      // a lone low one, not an escaped byte
      {u"\xDCE9\xDC80", r + r, "\xE9\x80"},                // escaped bytes
      {u"a\xDC2F\xDC00", "a" + r + r, "a" + r + r},        // below 0x80 none: never a "/" or a NUL
      {u"\xD83D\xDCE9", "\xF0\x9F\x93\xA9", "\xF0\x9F\x93\xA9"},  // a pair, whatever its low half
      {u"\xD83D\xDCE9\xDCE9", "\xF0\x9F\x93\xA9" + r, "\xF0\x9F\x93\xA9\xE9"},  // an escaped byte after a pair
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16ToUtf8(c.text), c.shown) << Hex(c.shown);
    EXPECT_EQ(Utf16ToUtf8Escaped(c.text), c.escaped) << Hex(c.escaped);
  }
}

TEST(Text, SafeCutNeverSplitsAPair) {
  const std::u16string text = u"ab\U0001F600c";  // a b high low c
  const size_t kept[] = {0, 1, 2, 2, 4, 5, 5};     // for n = 0..6
  for (size_t n = 0; n < std::size(kept); ++n) EXPECT_EQ(SafeCut(text, n), kept[n]) << n;
}

}  // namespace
}  // namespace kivora

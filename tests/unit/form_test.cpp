// The window's layout at a resolution, and how a long text is fitted.
#include <gtest/gtest.h>

#include "core/form.h"
#include "core/text.h"

namespace kivora {

bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}
std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.left << "," << r.top << " " << r.width << "x" << r.height;
}

namespace {

TEST(LayOut, PlacesEveryControlOnTheSamePixelsAtAResolution) {
  const struct {
    int dpi;
    Size client;
    Rect close, next;
    int promptFont;
  } cases[] = {
      {96, {421, 247}, {395, 2, 21, 21}, {150, 190, 125, 35}, 16},
      {144, {632, 371}, {593, 3, 32, 32}, {225, 285, 188, 53}, 24},
  };
  for (const auto& c : cases) {
    Layout layout = LayOut(c.dpi);
    EXPECT_EQ(layout.client.width, c.client.width) << c.dpi;
    EXPECT_EQ(layout.client.height, c.client.height) << c.dpi;
    EXPECT_EQ(layout[Control::kClose].bounds, c.close) << c.dpi;
    EXPECT_EQ(layout[Control::kNext].bounds, c.next) << c.dpi;
    EXPECT_EQ(layout[Control::kPrompt].fontPixels, c.promptFont) << c.dpi;
    EXPECT_EQ(layout.client.width - layout[Control::kClose].bounds.right(), c.dpi == 96 ? 5 : 7)
        << "the close picture keeps to the top-right corner";
  }
}

TEST(LayOut, OnlyTheFirstChoiceIsSelected) {
  Layout layout = LayOut(96);
  EXPECT_TRUE(layout[Control::kChoice1].selected);
  EXPECT_FALSE(layout[Control::kChoice2].selected);
  EXPECT_FALSE(layout[Control::kChoice3].selected);
}

TEST(Centred, HalvesWhatIsLeftOfTheMonitorFromItsOrigin) {
  const struct {
    Rect monitor;
    Point topLeft;
  } cases[] = {
      {{0, 0, 1024, 768}, {302, 261}},        // 301.5 rounds up
      {{0, 0, 421, 247}, {0, 0}},
      {{1920, 0, 1024, 768}, {2222, 261}},    // right of another monitor
      {{-1280, 200, 1280, 1024}, {-850, 589}},  // left of it, lower down
  };
  for (const auto& c : cases) {
    Point p = Centred(c.monitor, {421, 247});
    EXPECT_EQ(p.x, c.topLeft.x) << c.monitor.left;
    EXPECT_EQ(p.y, c.topLeft.y) << c.monitor.left;
  }
}

TEST(Fit, ThePromptWidensToItsTextAndLongTextsAreCutWithAnEllipsis) {
  // Every character is 10 pixels wide; a choice draws 20 pixels besides.
  Measure plain = [](std::u16string_view t) { return int(t.size()) * 10; };
  Measure choice = [](std::u16string_view t) { return 20 + int(t.size()) * 10; };
  const std::u16string longText(60, u'x');
  const struct {
    const char* name;
    int dpi;
    Control control;
    std::u16string text;
    const Measure& needed;
    std::u16string shown;
    int width;
  } cases[] = {
      {"a short prompt keeps the stored width", 96, Control::kPrompt, u"Pick", plain, u"Pick", 81},
      {"a longer prompt widens to its text", 96, Control::kPrompt, std::u16string(20, u'x'), plain,
       std::u16string(20, u'x'), 200},
      {"up to the window less its margins", 96, Control::kPrompt, longText, plain,
       std::u16string(38, u'x') + u"\u2026", 393},
      {"a prompt exactly as wide as the window less its margins", 144, Control::kPrompt, std::u16string(59, u'x'),
       plain, std::u16string(59, u'x'), 590},
      {"the same at 144 DPI", 144, Control::kPrompt, longText, plain, std::u16string(58, u'x') + u"\u2026", 590},
      {"a choice that fits", 96, Control::kChoice2, std::u16string(36, u'x'), choice, std::u16string(36, u'x'), 381},
      {"a choice that does not", 96, Control::kChoice2, longText, choice, std::u16string(35, u'x') + u"\u2026", 381},
      {"not even the ellipsis fits", 96, Control::kNext, u"Next", [](std::u16string_view) { return 999; }, u"\u2026",
       125},
      {"a surrogate pair stays whole", 96, Control::kNext, std::u16string(10, u'x') + u"\U0001F600\U0001F600", plain,
       std::u16string(10, u'x') + u"\u2026", 125},
  };
  for (const auto& c : cases) {
    Layout layout = LayOut(c.dpi);
    Fitted fitted = Fit(layout, c.control, Caption{c.text}, c.needed);
    EXPECT_EQ(fitted.caption.text, c.shown) << c.name;
    EXPECT_EQ(fitted.bounds.width, c.width) << c.name;
    EXPECT_EQ(fitted.bounds.left, layout[c.control].bounds.left) << c.name;
  }
}

TEST(CaptionOf, AmpersandsMarkTheAccessKeyAndTheToolkitsGetTheirOwnMarks) {
  constexpr size_t kNoKey = Caption::kNoKey;
  const struct {
    std::u16string line, text;
    size_t key;
    std::u16string windows, gtk;  // as each toolkit is given it
  } cases[] = {
      {u"R&D Tools", u"RD Tools", 1, u"R&D Tools", u"R_D Tools"},
      {u"Tom && Jerry", u"Tom & Jerry", kNoKey, u"Tom && Jerry", u"Tom & Jerry"},
      {u"&Custom_setup", u"Custom_setup", 0, u"&Custom_setup", u"_Custom__setup"},
      {u"&a&b", u"ab", 0, u"&ab", u"_ab"},  // the first mark counts
      {u"&&&x", u"&x", 1, u"&&&x", u"&_x"},
      {u"&_x", u"_x", 0, u"&_x", u"__x"},  // GTK cannot make its own mark the key
      {u"Tools &", u"Tools &", kNoKey, u"Tools &&", u"Tools &"},
      {u"&😀!", u"😀!", 0, u"&😀!", u"_😀!"},
      {std::u16string(u"Setup\0junk", 10), u"Setup", kNoKey, u"Setup", u"Setup"},  // up to the NUL
      {u"caf\xDCE9", u"caf\uFFFD", kNoKey, u"caf\uFFFD", u"caf\uFFFD"},  // a byte no set could read
  };
  for (const auto& c : cases) {
    Caption caption = CaptionOf(c.line);
    EXPECT_EQ(caption.text, c.text);
    EXPECT_EQ(caption.accessKey, c.key) << Utf16ToUtf8(c.line);
    EXPECT_EQ(Marked(caption, u'&'), c.windows);
    EXPECT_EQ(Marked(caption, u'_'), c.gtk);
  }
}

TEST(Fit, MeasuresTheCaptionAsShownAndDropsAKeyThatIsCutOff) {
  const Measure plain = [](std::u16string_view text) { return int(text.size()) * 10; };
  Layout layout = LayOut(96);
  // The choice is 381 pixels wide: 38 characters, or 37 and the ellipsis.
  const std::u16string long37 = std::u16string(37, u'x');
  const struct {
    std::u16string line, text;
    size_t key;
  } cases[] = {
      {u"&&" + std::u16string(36, u'x'), u"&" + std::u16string(36, u'x'), Caption::kNoKey},  // 37 shown: fits
      {u"&" + long37 + u"yz", u"x" + std::u16string(36, u'x') + u"\u2026", 0},
      {long37 + u"&yz", long37 + u"\u2026", Caption::kNoKey},
  };
  for (const auto& c : cases) {
    Fitted fitted = Fit(layout, Control::kChoice2, CaptionOf(c.line), plain);
    EXPECT_EQ(fitted.caption.text, c.text);
    EXPECT_EQ(fitted.caption.accessKey, c.key);
  }
}

}  // namespace
}  // namespace kivora

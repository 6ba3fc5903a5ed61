#include "core/form.h"

#include <algorithm>

#include "core/text.h"

namespace kivora {

namespace {

// To the nearest integer, halves away from zero, as std::lround rounds: here,
// so that Kivora.exe needs no mathematics library for it.
int Rounded(double x) {
  int whole = int(x);
  double rest = x - whole;  // exact
  return whole + (rest >= 0.5 ? 1 : rest <= -0.5 ? -1 : 0);
}

// The stored form: twips, 1440 to the inch (15 to the pixel at 96 DPI), and
// font sizes in points. Its own control names stand here, and only here, so
// that what each one is in this program can be read off. In tab order.
struct StoredControl {
  const char* name;
  ControlKind kind;
  Control control;
  int left, top, width, height;
  std::u16string_view caption;
  float fontPoints;
  bool selected;
};

constexpr int kClientWidth = 6315, kClientHeight = 3705;

// The choices' captions are placeholders; the menu file replaces them, and the
// prompt, before the window is first shown. The form's own font (Arial 9.75)
// is used by none of its controls.
constexpr StoredControl kStored[] = {
    {"Label1", ControlKind::kLabel, Control::kPrompt, 210, 360, 1215, 270, u"Select type ", 12, false},
    {"Option1", ControlKind::kChoice, Control::kChoice1, 180, 930, 5715, 435, u"\" . \"", 11.25f, true},
    {"Option2", ControlKind::kChoice, Control::kChoice2, 180, 1560, 5715, 435, u"\" , \"", 11.25f, false},
    {"Command1", ControlKind::kButton, Control::kNext, 2250, 2850, 1875, 525, u"Next", 12, false},
    // The close picture shows no text; a screen reader names it by this one.
    {"Picture1", ControlKind::kPicture, Control::kClose, 5925, 30, 315, 315, u"Close", 0, false},
    // Picture2 and Picture3 (tab indexes 5 and 6) lay beyond the right edge
    // and only held the close picture's normal and pressed looks: the window
    // owns those images instead.
    {"Option3", ControlKind::kChoice, Control::kChoice3, 180, 2190, 5715, 435, u"\" U \"", 11.25f, false},
};

int Pixels(float twips, int dpi) { return Rounded(twips * float(dpi) / 1440.0f); }

// The longest start of text that, ended with "…", needs no more than width;
// a surrogate pair is never cut in two.
std::u16string Ellipsize(std::u16string_view text, int width, const Measure& needed) {
  auto cut = [&](size_t n) { return std::u16string(text.substr(0, SafeCut(text, n))) + u"\u2026"; };
  size_t low = 0, high = text.size();  // cut(low) fits, or low is 0; cut(high) does not
  while (high - low > 1) {
    size_t middle = (low + high) / 2;
    (needed(cut(middle)) <= width ? low : high) = middle;
  }
  return cut(low);
}

}  // namespace

const PlacedControl& Layout::operator[](Control control) const {
  return *std::find_if(controls.begin(), controls.end(),
                       [control](const PlacedControl& c) { return c.control == control; });
}

Control Layout::firstFocus() const {
  return std::find_if(controls.begin(), controls.end(), [](const PlacedControl& c) { return c.selected; })->control;
}

Layout LayOut(int dpi) {
  Layout layout{dpi, {Pixels(kClientWidth, dpi), Pixels(kClientHeight, dpi)}, {}};
  for (const StoredControl& c : kStored) {
    Rect bounds{Pixels(c.left, dpi), Pixels(c.top, dpi), Pixels(c.width, dpi), Pixels(c.height, dpi)};
    int font = Rounded(c.fontPoints * float(dpi) / 72.0f);
    layout.controls.push_back({c.control, c.kind, bounds, font, c.caption, c.selected});
  }
  return layout;
}

Point Centred(Rect monitor, Size window) {
  return {monitor.left + Rounded((monitor.width - window.width) / 2.0),
          monitor.top + Rounded((monitor.height - window.height) / 2.0)};
}

Caption CaptionOf(std::u16string_view line) {
  line = line.substr(0, line.find(u'\0'));
  Caption caption;
  for (size_t i = 0; i < line.size(); ++i) {
    bool mark = line[i] == u'&' && i + 1 < line.size();
    if (mark) ++i;  // "&&" is one "&", "&x" a marked x
    if (mark && line[i] != u'&' && caption.accessKey == Caption::kNoKey) caption.accessKey = caption.text.size();
    caption.text += line[i];
  }
  caption.text = Shown(caption.text);
  return caption;
}

std::u16string Marked(const Caption& caption, char16_t mark) {
  std::u16string marked;
  for (size_t i = 0; i < caption.text.size(); ++i) {
    // The mark itself cannot be marked as a key: it is shown, doubled.
    bool key = i == caption.accessKey && caption.text[i] != mark;
    if (key || caption.text[i] == mark) marked += mark;
    marked += caption.text[i];
  }
  return marked;
}

Fitted Fit(const Layout& layout, Control control, const Caption& caption, const Measure& needed) {
  Rect bounds = layout[control].bounds;
  int widest = bounds.width;
  if (control == Control::kPrompt) widest = layout.client.width - 2 * bounds.left;
  int natural = needed(caption.text);
  if (control == Control::kPrompt) bounds.width = std::clamp(natural, bounds.width, widest);
  if (natural <= widest) return {caption, bounds};
  Caption cut{Ellipsize(caption.text, widest, needed), caption.accessKey};
  if (cut.accessKey >= cut.text.size() - 1) cut.accessKey = Caption::kNoKey;  // cut off, or the "…"
  return {cut, bounds};
}

}  // namespace kivora

// The launcher's window as it is stored with the program, and its layout at a
// resolution: the controls in tab order with their geometry in twips, their
// fonts and first captions, turned into pixel rectangles; and how a text that
// is longer than its control is fitted. Every back end places its controls
// from this and repeats none of its numbers.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kivora {

// The controls the window shows, in the order they are read: the prompt, the
// choices, "Next", the close picture.
enum class Control { kPrompt, kChoice1, kChoice2, kChoice3, kNext, kClose };
constexpr int kControlCount = 6;

enum class ControlKind { kLabel, kChoice, kButton, kPicture };

// The close picture's two looks, images the window owns.
enum class CloseLook { kNormal, kPressed };

struct Size {
  int width, height;
};

struct Point {
  int x, y;
};

struct Rect {
  int left, top, width, height;
  int right() const { return left + width; }
};

// A control at a resolution: pixels within the window's client area.
struct PlacedControl {
  Control control;
  ControlKind kind;
  Rect bounds;
  int fontPixels;                // the height of its Arial's characters; 0 for the picture
  std::u16string_view caption;   // until the menu file replaces it; the close picture's name for a screen reader
  bool selected;                 // choices: selected when the window opens
};

struct Layout {
  int dpi;
  Size client;  // the window has no frame: this is its outer size too
  std::vector<PlacedControl> controls;  // in tab order

  const PlacedControl& operator[](Control control) const;
  // The control that has the keyboard when the window opens: the choice
  // selected then.
  Control firstFocus() const;
};

constexpr int kDefaultDpi = 96;
// The title of the window (in the taskbar) and of every box the program shows.
constexpr const char16_t* kAppTitle = u"Kivora";
constexpr const char16_t* kFontFace = u"Arial";

Layout LayOut(int dpi);

// The top-left corner that centres a window of the given size on a monitor,
// given as its rectangle on the desktop (whose origin need not be 0, 0).
Point Centred(Rect monitor, Size window);

// How wide a control must be, in pixels, to show a text whole on one line:
// the text in the control's font, plus its frame, indicator and padding. The
// back end measures it.
using Measure = std::function<int(std::u16string_view text)>;

// A caption as the user sees it: its text, and which of its characters is
// the access key (Alt and that key chooses the control).
struct Caption {
  static constexpr size_t kNoKey = std::u16string::npos;
  std::u16string text;
  size_t accessKey = kNoKey;  // an index into text
};

// A menu line as the prompt or a choice shows it: "&" marks the character
// after it as the access key (the first one marked counts) and "&&" shows
// one "&"; a "&" at the end is shown as it is. The line is shown up to a NUL,
// and a byte that no character set could read (core/text.h) as U+FFFD.
Caption CaptionOf(std::u16string_view line);

// A caption as a toolkit takes it that marks an access key with mark ("&" on
// Windows, "_" in GTK): the mark before the key, and each mark in the text
// doubled, so that the toolkit shows it as it is.
std::u16string Marked(const Caption& caption, char16_t mark);

struct Fitted {
  Caption caption;  // cut and ended with "…" when the whole does not fit
  Rect bounds;
};

// Fits a caption to its control, measured as it is shown. The prompt widens to its text, up to the
// window's width less its left margin on either side; choice and button
// captions keep their stored width. What does not fit is cut with an
// ellipsis.
Fitted Fit(const Layout& layout, Control control, const Caption& caption, const Measure& needed);

}  // namespace kivora

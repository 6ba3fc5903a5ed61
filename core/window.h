// What the program needs of the toolkit that shows its window, and nothing of
// how. Each window back end (GTK, Win32, the fake of the unit tests)
// implements Window; no toolkit type appears in it. The back end calls the
// launcher window's handlers as events arrive.
#pragma once

#include <string>
#include <string_view>

#include "core/form.h"
#include "core/raise.h"

namespace kivora {

class LauncherWindow;

class Window : public Reporter {
 public:
  // The resolution the window is laid out at, in dots per inch.
  virtual int Dpi() = 0;
  // Makes the window and its controls from the layout, not yet shown, and
  // connects their events to the launcher window's handlers.
  virtual void Build(const Layout& layout, LauncherWindow& window) = 0;
  // Places and sizes every control, and sets its font, at a new resolution.
  virtual void ApplyLayout(const Layout& layout) = 0;
  // The primary monitor's rectangle on the desktop, in pixels: the window
  // opens there.
  virtual Rect PrimaryMonitor() = 0;
  virtual void PlaceWindow(Point topLeft) = 0;
  // The width a control needs to show text whole (see Measure).
  virtual int NeededWidth(Control control, std::u16string_view text) = 0;
  // Shows a caption, with its access key marked, in a control that now has
  // the given bounds.
  virtual void ShowText(Control control, const Caption& caption, Rect bounds) = 0;
  virtual bool IsChosen(Control choice) = 0;
  virtual void ShowCloseLook(CloseLook look) = 0;
  // Shows the window, with the keyboard on the given control.
  virtual void Show(Control focus) = 0;
  // Runs the event loop until the end; returns the exit status.
  virtual int RunEventLoop() = 0;
  // Delivers the waiting events, their handlers included, and returns.
  virtual void PumpEvents() = 0;
  // A clock in milliseconds that only goes forward, and the system's
  // double-click time: presses closer together than that are one.
  virtual long long Milliseconds() = 0;
  // When the event being handled happened, in milliseconds of the system's
  // clock of events (a busy launcher handles a double click's second press
  // late, but its time is still the click's); -1 where there is none.
  virtual long long PressTime() = 0;
  virtual int DoubleClickTime() = 0;
  // A modal box with the text and an OK button, titled kAppTitle.
  virtual void ShowMessage(const std::u16string& text) = 0;
  // A line on standard error, where the process has one.
  virtual void WriteError(const std::u16string& line) = 0;

  // The report of a run-time error: its line on standard error, so that a
  // script that started the launcher can log it, then the box.
  void ShowReport(const RuntimeError& error) final {
    WriteError(u"kivora: " + error.ReportLine());
    ShowMessage(error.Report());
  }
};

}  // namespace kivora

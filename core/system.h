// What the program needs from the system it runs on, and nothing of how. Each
// back end (GTK on Linux, Win32, the fake of the unit tests) implements this
// one interface; no toolkit type appears in it. The back end calls the
// window's event handlers as events arrive; the handlers come here for
// everything outside the program.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/conventions.h"
#include "core/files.h"
#include "core/form.h"
#include "core/menu_file.h"
#include "core/runtime_error.h"

namespace kivora {

class LauncherWindow;

// Exit statuses a caller (a script, an autorun handler) can act on.
enum ExitStatus : int {
  kExitClosed = 0,        // the user closed the launcher
  kExitMenuMissing = 1,   // "Error!": no menu file beside the launcher
  kExitRuntimeError = 2,  // a run-time error was reported
};


// A program to start, as the program resolved it from its menu line.
struct Launch {
  std::u16string program;                 // the file to start, a path of the system's; or the address
  bool found = false;                     // program names a file that exists
  bool address = false;                   // a web or mail address, for the system to open
  std::u16string argumentLine;            // the arguments as written, for a system that splits them itself
  std::vector<std::u16string> arguments;  // split by the Windows C run time's rules, for one that does not
  std::u16string commandLine;             // the quoted program, then the argument line
  std::u16string shown;                   // what a report says the launch concerns
};

class System {
 public:
  virtual ~System() = default;

  virtual Conventions conventions() = 0;

  // --- The window
  // The resolution the window is laid out at, in dots per inch.
  virtual int Dpi() = 0;
  // Makes the window and its controls from the layout, not yet shown, and
  // connects their events to the window's handlers.
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
  virtual void Show() = 0;
  // Runs the event loop until the end; returns the exit status.
  virtual int RunEventLoop() = 0;
  // Delivers the waiting events, their handlers included, and returns.
  virtual void PumpEvents() = 0;
  // A modal box with the text and an OK button, titled "Kivora".
  virtual void ShowMessage(const std::u16string& text) = 0;
  // The report of a run-time error: the box, and standard error where the
  // process has one.
  virtual void ShowReport(const RuntimeError& error) = 0;
  // Ends the program at once: no further handler runs, the window goes.
  [[noreturn]] virtual void End(ExitStatus status) = 0;

  // --- Files
  // The launcher's own folder, without a trailing separator except at a
  // root, which keeps it ("D:\", "/").
  virtual std::u16string LauncherFolder() = 0;
  virtual FileKind Probe(const std::u16string& path) = 0;
  // The names in a folder, none when it cannot be read.
  virtual std::vector<std::u16string> ListFolder(const std::u16string& folder) = 0;
  // Opens a file for reading. Throws RuntimeError.
  virtual std::unique_ptr<ByteSource> OpenFile(const std::u16string& path) = 0;
  // Text in the system's character set (the locale's, the ANSI code page).
  virtual std::u16string Decode(std::string_view bytes) = 0;

  // --- Programs
  // Starts a program without waiting for it; what the system said when it
  // could not.
  virtual std::optional<SystemError> Start(const Launch& launch) = 0;
  // Opens launch.program, a document or an address, with the application the
  // user's system has for its type, without waiting for it; what went wrong
  // when no application did.
  virtual std::optional<std::u16string> Open(const Launch& launch) = 0;
};

}  // namespace kivora

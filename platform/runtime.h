// The run-time services that the program's own code (app/, menu/, launch/,
// ui/) relies on: the form's properties, the application object, the screen,
// the directory lookup, the message box, sequential file input, program start,
// the event pump and the end. Each back end (GTK, Win32, the fake of the unit
// tests) implements this one interface; no toolkit header appears here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/runtime_error.h"

namespace kivora {

// Option button values are 16-bit Booleans.
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

// Window style for Shell: a normal window, activated and given the focus.
constexpr int kNormalFocus = 1;

// Exit statuses a caller (a script, an autorun handler) can act on.
enum ExitStatus : int {
  kExitClosed = 0,        // the user closed the launcher
  kExitMenuMissing = 1,   // "Error!": no menu file beside the launcher
  kExitRuntimeError = 2,  // a run-time error was reported
};

class Runtime {
 public:
  virtual ~Runtime() = default;

  // The form's outer position and size and the screen's size, in twips.
  virtual float FormWidth() = 0;
  virtual float FormHeight() = 0;
  virtual void SetFormTop(float twips) = 0;
  virtual void SetFormLeft(float twips) = 0;
  virtual float ScreenWidth() = 0;
  virtual float ScreenHeight() = 0;

  // Control properties.
  virtual void SetCaption(ControlId control, const std::u16string& caption) = 0;
  virtual int16_t OptionValue(ControlId option) = 0;
  virtual ImageId Picture(ControlId pictureBox) = 0;
  virtual void SetPicture(ControlId pictureBox, ImageId image) = 0;

  // App.Path: the launcher's own directory, without a trailing separator
  // except at a root, which keeps it.
  virtual std::u16string AppPath() = 0;

  // Dir(path, attributes): the name of the first file matching path whose
  // attributes fit the mask, or "" when none does. Mask 0 is normal files.
  virtual std::u16string Dir(const std::u16string& path, int attributes) = 0;

  // A modal box with the text and an OK button, titled "Kivora".
  virtual void MsgBox(const std::u16string& prompt) = 0;

  // Sequential input: Open path For Input As #fileNumber, Line Input #n, Close #n.
  // Errors are thrown as RuntimeError.
  virtual void FileOpenInput(const std::u16string& path, int fileNumber) = 0;
  virtual std::u16string LineInput(int fileNumber) = 0;
  virtual void FileClose(int fileNumber) = 0;

  // Starts a command line without waiting for it; returns its task id.
  virtual double Shell(const std::u16string& commandLine, int windowStyle) = 0;

  // Delivers the waiting window events, their handlers included.
  virtual void DoEvents() = 0;

  // Shows the standard report of an unhandled run-time error.
  virtual void ReportError(const RuntimeError& error) = 0;

  // Ends the program at once: no further handler runs, the window goes.
  [[noreturn]] virtual void End(ExitStatus status) = 0;
};

}  // namespace kivora

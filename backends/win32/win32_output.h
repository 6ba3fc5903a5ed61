// Standard output of Kivora.exe, a program of the graphical subsystem, for the
// menu check and --help: a handle the caller redirected (a file, a pipe),
// else the console of the command prompt it was started from. Without
// either, the lines go nowhere.
#pragma once

#include "backends/win32/win32_handles.h"
#include "core/check.h"

namespace kivora::win32 {

class StandardOutput : public Printer {
 public:
  StandardOutput();
  void Print(const std::u16string& line) override;
  void ShowReport(const RuntimeError& error) override;
  [[noreturn]] void End(ExitStatus status) override;

 private:
  HANDLE out_;
  bool console_ = false;  // a console takes UTF-16; a file or a pipe gets UTF-8
};

}  // namespace kivora::win32

// Standard output for the menu check and --help, and standard error for a
// usage error: a handle the caller redirected (a file, a pipe), else the
// console of the command prompt it was started from (Kivora.exe, of the
// graphical subsystem, has none of its own; Kivora.com has). Without either,
// the lines go nowhere.
#pragma once

#include "backends/win32/win32_handles.h"
#include "core/command.h"

namespace kivora::win32 {

class StandardOutput : public Printer {
 public:
  explicit StandardOutput(std::u16string program);  // what a report begins with
  void Print(const std::u16string& line) override;
  void PrintError(const std::u16string& line) override;
  void ShowReport(const RuntimeError& error) override;
  [[noreturn]] void End(ExitStatus status) override;

 private:
  // One of the two streams.
  struct Stream {
    explicit Stream(DWORD which);
    void Write(const std::u16string& line) const;
    HANDLE handle;
    bool console = false;  // a console takes UTF-16; a file or a pipe gets UTF-8
  };
  std::u16string program_;
  Stream out_{STD_OUTPUT_HANDLE};
  Stream error_{STD_ERROR_HANDLE};
};

}  // namespace kivora::win32

// Standard output on Linux, for the menu check and --help: each line in the
// locale's character set, so that a file's name shows as the terminal shows
// it elsewhere (ls); a run-time error ends there too.
#pragma once

#include "core/command.h"

namespace kivora::posix {

class StandardOutput : public Printer {
 public:
  void Print(const std::u16string& line) override;
  void PrintError(const std::u16string& line) override;
  void ShowReport(const RuntimeError& error) override;
  [[noreturn]] void End(ExitStatus status) override;
};

}  // namespace kivora::posix

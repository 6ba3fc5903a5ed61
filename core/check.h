// A menu author's check before burning: the menu read as the launcher reads
// it and each target resolved as "Next" resolves it, for Windows and for
// Linux at once, whichever system the check runs on. It shows no window and
// starts nothing; a back end only prints its lines.
#pragma once

#include <string>
#include <vector>

#include "core/files.h"
#include "core/raise.h"

namespace kivora {

// Where the check's lines go: standard output. A run-time error (a menu that
// cannot be read) is reported there too, and ends the check.
class Printer : public Reporter {
 public:
  virtual void Print(const std::u16string& line) = 0;
};

// What the command line asks for. Any argument but these, or none, starts
// the launcher. "/?", "-h" and "-?" are help too, as authors on each system
// type it; a folder given as "C:\my disc\" keeps no '"' at its end (the
// C run time reads \" as a quote in the name).
struct Command {
  enum Mode { kLauncher, kCheck, kHelp, kVersion } mode = kLauncher;
  std::u16string folder;  // of the menu to check; "" for the launcher's own
};
Command ParseCommand(const std::vector<std::u16string>& arguments);  // those after the program's name

// Runs a check, --help or --version with its lines printed; the exit status.
struct Usage {
  std::u16string program;      // as its users type it ("kivora", "Kivora.exe")
  std::u16string defaultMenu;  // whose Kivora.ini a check without a folder reads
};
int RunCommand(const Command& command, const Usage& usage, Files& files, Printer& printer);

struct CheckResult {
  std::vector<std::u16string> lines;
  ExitStatus status;  // kExitClosed when nothing is wrong, kExitMenuMissing, kExitMenuProblems
};

// Checks the Kivora.ini in folder, as a disc's root: what each entry does on
// Windows and on Linux, and every problem found, each on a line of its own
// with its line number, the system it concerns and what to do about it.
// Throws RuntimeError when the menu cannot be read.
CheckResult CheckMenu(const std::u16string& folder, Files& files);

}  // namespace kivora

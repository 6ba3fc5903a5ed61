// The command line of the launchers and of Kivora.com: what it asks for
// (the menu, its check, help, the version), and the answers to it. An
// argument that none of them takes is a usage error, with its own status,
// so that a mistyped option is never taken for a check that passed.
#pragma once

#include <string>
#include <vector>

#include "core/raise.h"

namespace kivora {

// Where the lines go: standard output, and a usage error to standard error.
// A run-time error (a menu that cannot be read) is reported there too, and
// ends the check.
class Printer : public Reporter {
 public:
  virtual void Print(const std::u16string& line) = 0;
  virtual void PrintError(const std::u16string& line) = 0;
};

// What the command line asks for: nothing (the launcher), --check [FOLDER],
// --help ("/?", "-h" and "-?" too, as authors on each system type it) or
// --version. Anything else is kUnknown, which names the first argument not
// taken. A folder given as "C:\my disc\" keeps no '"' at its end (the C run
// time reads \" as a quote in the name).
struct Command {
  enum Mode { kLauncher, kCheck, kHelp, kVersion, kUnknown } mode = kLauncher;
  std::u16string folder;    // of the menu to check; "" for the default
  std::u16string argument;  // for kUnknown: what was not understood
};
Command ParseCommand(const std::vector<std::u16string>& arguments);  // those after the program's name

// The program as its usage names it.
struct Usage {
  std::u16string program;         // as its users type it ("kivora", "Kivora.com")
  std::u16string withoutCommand;  // what it does without an argument
  std::u16string defaultMenu;     // whose Kivora.ini a check without a folder reads
};

// Answers what needs no menu: --help or --version with its lines printed, a
// usage error (on standard error, kExitUsage), and for a program that shows
// no menu, nothing asked (its help, kExitUsage). The exit status. The check
// is RunCheck's (core/check.h), which sits above this file: the command line
// knows no menu.
int RunCommand(const Command& command, const Usage& usage, Printer& printer);

}  // namespace kivora

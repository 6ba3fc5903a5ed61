// A menu author's check before burning: the menu read as the launcher reads
// it and each target resolved as "Next" resolves it, for Windows and for
// Linux at once, whichever system the check runs on. It shows no window and
// starts nothing; a back end only prints its lines.
#pragma once

#include <string>
#include <vector>

#include "core/command.h"
#include "core/files.h"
#include "core/raise.h"

namespace kivora {

struct CheckResult {
  std::vector<std::u16string> lines;
  ExitStatus status;  // kExitClosed when nothing is wrong, kExitMenuMissing, kExitMenuProblems
};

// Checks the Kivora.ini in folder, as a disc's root: what each entry does on
// Windows and on Linux, and every problem found, each on a line of its own
// with its line number, the system it concerns and what to do about it.
// Throws RuntimeError when the menu cannot be read.
CheckResult CheckMenu(const std::u16string& folder, Files& files);

// The check with its lines printed (a menu that cannot be read is reported
// there); the exit status.
int RunCheck(const std::u16string& folder, Files& files, Printer& printer);

}  // namespace kivora

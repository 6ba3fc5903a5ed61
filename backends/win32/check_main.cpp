// Kivora.com: the menu check for an author at a command prompt. It is a
// console program, so cmd waits for it and %errorlevel% is its status, which
// Kivora.exe, a program of the graphical subsystem, cannot give there. When
// both lie in one folder, cmd takes the .com first for "Kivora". It ships
// for authors beside the disc's files, not among them: whoever inserts the
// disc sees one program.
#include "backends/win32/win32_files.h"
#include "backends/win32/win32_output.h"
#include "core/check.h"
#include "core/command.h"
#include "core/command_line.h"

int main() {
  std::u16string line = kivora::win32::U(GetCommandLineW());
  std::vector<std::u16string> arguments = kivora::SplitArguments(line);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  // The launcher is Kivora.exe: without an argument, Kivora.com shows its
  // usage and checks nothing.
  kivora::Command command = kivora::ParseCommand(arguments);
  // The folder the author is in, not the folder Kivora.com was copied to.
  if (command.mode == kivora::Command::kCheck && command.folder.empty()) {
    std::u16string here(GetCurrentDirectoryW(0, nullptr), u'\0');
    here.resize(GetCurrentDirectoryW(DWORD(here.size()), kivora::win32::W(here)));
    command.folder = here;
  }
  kivora::win32::Win32Files files;
  kivora::win32::StandardOutput out(u"Kivora.com");
  if (command.mode == kivora::Command::kCheck) return kivora::RunCheck(command.folder, files, out);
  return kivora::RunCommand(command,
                            {u"Kivora.com",
                             u"Without an argument, it shows this text (exit status 4); the menu is Kivora.exe's.",
                             u"the one in the current folder"},
                            out);
}

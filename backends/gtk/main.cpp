// The Linux launcher's entry point.
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "backends/gtk/gtk_window.h"
#include "backends/posix/posix_files.h"
#include "backends/posix/posix_output.h"
#include "backends/posix/posix_process.h"
#include "core/check.h"
#include "core/command.h"
#include "core/launcher_window.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(kivora::posix::Decode(argv[i]));
  kivora::Command command = kivora::ParseCommand(arguments);
  kivora::posix::PosixFiles files;
  // The launcher takes no argument: anything but its options is a usage
  // error, on standard error, as a Linux user expects of "kivora --chek".
  if (command.mode != kivora::Command::kLauncher) {
    kivora::posix::StandardOutput out;
    if (command.mode == kivora::Command::kCheck) return kivora::RunCheck(command.folder, files, out);
    return kivora::RunCommand(command,
                              {u"kivora", u"Without an argument, kivora shows the menu of the Kivora.ini beside it.",
                               u"the one beside the launcher"},
                              out);
  }
  if (!kivora::StartGtk()) {
    std::fprintf(stderr, "kivora: cannot open the display (is DISPLAY or WAYLAND_DISPLAY set?)\n");
    return kivora::kExitRuntimeError;
  }
  kivora::GtkDisplay display;
  kivora::posix::PosixPrograms programs;
  return kivora::RunLauncher(display, files, programs);
}

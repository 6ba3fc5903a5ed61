// The Linux launcher's entry point.
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>

#include "backends/gtk/gtk_window.h"
#include "backends/posix/posix_files.h"
#include "backends/posix/posix_process.h"
#include "core/launcher_window.h"

int main() {
  std::setlocale(LC_ALL, "");
  if (!kivora::StartGtk()) {
    std::fprintf(stderr, "kivora: cannot open the display (is DISPLAY or WAYLAND_DISPLAY set?)\n");
    return kivora::kExitRuntimeError;
  }
  kivora::GtkDisplay display;
  kivora::posix::PosixFiles files;
  kivora::posix::PosixPrograms programs;
  return kivora::RunLauncher(display, files, programs);
}

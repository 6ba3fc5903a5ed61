// Kivora.exe's entry point.
#include "backends/win32/win32_window.h"
#include "core/launcher_window.h"

int main() {
  kivora::win32::Win32System system;
  return kivora::RunLauncher(system);
}

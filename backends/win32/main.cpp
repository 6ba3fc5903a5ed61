// Kivora.exe's entry point.
#include "backends/win32/win32_window.h"
#include "core/launcher_window.h"

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// A launcher run from the Downloads folder, or from a stick someone else
// filled, must not load a DLL that lies beside it under a system DLL's name:
// from here on, DLLs come from System32 alone. The function is looked up,
// so that a Windows without it still starts. Programs that "Next" starts are
// started by their path and are not affected.
void LoadDllsFromSystem32Only() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int main() {
  LoadDllsFromSystem32Only();
  kivora::win32::Win32System system;
  return kivora::RunLauncher(system);
}

// Kivora.exe's entry point.
#include "backends/win32/win32_files.h"
#include "backends/win32/win32_output.h"
#include "backends/win32/win32_process.h"
#include "backends/win32/win32_window.h"
#include "core/command.h"
#include "core/command_line.h"
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
  auto set = kivora::win32::FunctionOf<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"),
                                                                   "SetDefaultDllDirectories");
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The launcher takes no text, so its thread has no input method: a key goes
// to the choices and "Next" as it is, never into a composition, and the
// input method's COM set-up is not loaded when the window is first
// activated. This must come before the first window. Where imm32 is not
// loaded, there is no input method to turn off.
void TurnOffInputMethod() {
  using ImmDisableImeFn = BOOL(WINAPI*)(DWORD);
  auto disable = kivora::win32::FunctionOf<ImmDisableImeFn>(GetModuleHandleW(L"imm32.dll"), "ImmDisableIME");
  if (disable) disable(0);  // 0: this thread
}

}  // namespace

int main() {
  LoadDllsFromSystem32Only();
  // The arguments by the C run time's rules, the program's own name first.
  std::u16string line = kivora::win32::U(GetCommandLineW());
  std::vector<std::u16string> arguments = kivora::SplitArguments(line);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  kivora::Command command = kivora::ParseCommand(arguments);
  // The check is Kivora.com's, the authors' console program: it is a fifth
  // of Kivora.exe's size, which goes on every disc. Any other argument is
  // left alone, as ever: whatever a shortcut or an autorun handler adds, the
  // menu shows.
  if (command.mode != kivora::Command::kLauncher && command.mode != kivora::Command::kUnknown) {
    kivora::win32::StandardOutput out(u"Kivora.exe");
    if (command.mode == kivora::Command::kVersion) {
      out.Print(u"Kivora " KIVORA_VERSION);
      return kivora::kExitClosed;
    }
    const std::u16string usage = u"Kivora.exe shows the menu and takes no arguments. The menu check is Kivora.com, "
                                 u"in the authors folder of the Windows package: Kivora --check [FOLDER]";
    if (command.mode == kivora::Command::kHelp) {
      out.Print(usage);
      return kivora::kExitClosed;
    }
    out.PrintError(usage);  // --check
    return kivora::kExitUsage;
  }
  kivora::win32::Win32Files files;
  TurnOffInputMethod();
  kivora::win32::Win32Display display;
  kivora::win32::Win32Programs programs;
  return kivora::RunLauncher(display, files, programs);
}

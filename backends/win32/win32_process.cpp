#include "backends/win32/win32_process.h"

#include "backends/win32/win32_handles.h"

#include <shellapi.h>

#include "core/runtime_error.h"

namespace kivora::win32 {

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L  // not in every mingw header
#endif

namespace {

// An installer that needs an administrator: Windows asks for consent. The
// shell is loaded only then; as an import it would be loaded, with the DLLs
// it needs, at every start.
DWORD StartElevated(const Launch& launch) {
  using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
  auto shellExecuteEx = FunctionOf<ShellExecuteExFn>(LoadLibraryW(L"shell32.dll"), "ShellExecuteExW");  // System32's
  if (!shellExecuteEx) return GetLastError();
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  sei.lpFile = W(launch.program);
  sei.lpParameters = W(launch.argumentLine);
  sei.nShow = SW_SHOWNORMAL;
  if (!shellExecuteEx(&sei)) return GetLastError();
  if (sei.hProcess) CloseHandle(sei.hProcess);
  return ERROR_SUCCESS;
}

}  // namespace

void Start(const Launch& launch) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  std::u16string commandLine = launch.commandLine;  // CreateProcessW may write to it
  DWORD error = ERROR_SUCCESS;
  if (CreateProcessW(W(launch.program), W(commandLine), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return;
  }
  error = GetLastError();
  if (error == ERROR_ELEVATION_REQUIRED) error = StartElevated(launch);
  if (error != ERROR_SUCCESS)
    Raise(SystemFailure(Action::kStart, {SystemCode::kWin32, error}, launch.shown, SystemText(error)));
}

}  // namespace kivora::win32

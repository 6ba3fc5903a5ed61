#include "backends/win32/win32_process.h"

#include "backends/win32/win32_handles.h"

#include <shellapi.h>

namespace kivora::win32 {

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L  // not in every mingw header
#endif

namespace {

// The shell's verb on a file or an address, in a normal window, without its
// own error boxes. The shell is loaded only then; as an import it would be
// loaded, with the DLLs it needs, at every start.
DWORD ShellVerb(const wchar_t* verb, const Launch& launch, const std::u16string& parameters,
                INT_PTR* shellCode = nullptr) {
  using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
  auto shellExecuteEx = FunctionOf<ShellExecuteExFn>(LoadLibraryW(L"shell32.dll"), "ShellExecuteExW");  // System32's
  if (!shellExecuteEx) return GetLastError();
  SHELLEXECUTEINFOW sei{};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_FLAG_NO_UI;
  sei.lpVerb = verb;
  sei.lpFile = W(launch.program);
  sei.lpParameters = parameters.empty() ? nullptr : W(parameters);
  sei.lpDirectory = launch.folder.empty() ? nullptr : W(launch.folder);
  sei.nShow = SW_SHOWNORMAL;
  if (shellExecuteEx(&sei)) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  if (shellCode) *shellCode = reinterpret_cast<INT_PTR>(sei.hInstApp);
  return error;
}

// The error a failed ShellExecuteExW's own code (hInstApp, 32 or less) names;
// ERROR_SUCCESS for another code.
DWORD ErrorOfShellCode(INT_PTR code) {
  switch (code) {
    case SE_ERR_FNF: return ERROR_FILE_NOT_FOUND;
    case SE_ERR_PNF: return ERROR_PATH_NOT_FOUND;
    case SE_ERR_ACCESSDENIED: return ERROR_ACCESS_DENIED;
    case SE_ERR_OOM: return ERROR_NOT_ENOUGH_MEMORY;
    case SE_ERR_SHARE: return ERROR_SHARING_VIOLATION;
    case SE_ERR_NOASSOC:
    case SE_ERR_ASSOCINCOMPLETE: return ERROR_NO_ASSOCIATION;
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: return ERROR_DDE_FAIL;
    case SE_ERR_DLLNOTFOUND: return ERROR_DLL_NOT_FOUND;
    default: return ERROR_SUCCESS;
  }
}

}  // namespace

std::optional<SystemError> Win32Programs::Start(const Launch& launch) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  std::u16string commandLine = launch.commandLine;  // CreateProcessW may write to it
  // The program's current folder is the launcher's, from wherever the
  // launcher was started, so that a batch file's paths relative to the disc
  // hold.
  const wchar_t* folder = launch.folder.empty() ? nullptr : W(launch.folder);
  if (CreateProcessW(W(launch.program), W(commandLine), nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi)) {
    UniqueHandle thread(pi.hThread), process(pi.hProcess);
    return std::nullopt;
  }
  DWORD error = GetLastError();
  // An installer that needs an administrator: Windows asks for consent.
  if (error == ERROR_ELEVATION_REQUIRED) error = ShellVerb(L"runas", launch, launch.argumentLine);
  if (error == ERROR_SUCCESS || error == ERROR_CANCELLED) return std::nullopt;
  return SystemError{{SystemCode::kWin32, error}, SystemText(error, launch.program)};
}

// Where the shell's own code names the failure, it says it: Wine, with no
// application for the type, leaves the last error at ERROR_BAD_EXE_FORMAT
// and the code at SE_ERR_NOASSOC.
std::optional<std::u16string> Win32Programs::Open(const Launch& launch) {
  INT_PTR shellCode = 0;
  DWORD error = ShellVerb(L"open", launch, u"", &shellCode);
  if (error == ERROR_SUCCESS) return std::nullopt;
  if (DWORD named = ErrorOfShellCode(shellCode)) error = named;
  return SystemText(error, launch.program);
}

}  // namespace kivora::win32

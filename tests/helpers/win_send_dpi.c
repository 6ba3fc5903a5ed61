/* Sends the launcher's window WM_DPICHANGED, as Windows does when the window
   moves to a screen of another resolution: the new DPI in wParam, and in
   lParam the rectangle Windows suggests. The rectangle is written into the
   launcher's own memory, and also at the same address here, in case the
   system copies it from the sender.
   Usage: win_send_dpi DPI LEFT TOP WIDTH HEIGHT */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 2;
  int dpi = _wtoi(argv[1]);
  RECT r = {_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[2]) + _wtoi(argv[4]), _wtoi(argv[3]) + _wtoi(argv[5])};
  HWND window = FindWindowW(L"KivoraWindow", NULL);
  DWORD pid = 0;
  if (!window || !GetWindowThreadProcessId(window, &pid)) return 1;
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  void* remote = process ? VirtualAllocEx(process, NULL, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : NULL;
  if (!remote || !WriteProcessMemory(process, remote, &r, sizeof r, NULL)) return 1;
  void* local = VirtualAlloc(remote, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (local == remote) memcpy(local, &r, sizeof r);
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), (LPARAM)remote, SMTO_ABORTIFHUNG, 5000,
                           &result))
    return 1;
  return 0;
}

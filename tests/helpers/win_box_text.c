/* Prints the text of the launcher's message box (a dialog titled "Kivora"):
   the longest text among its static controls, in UTF-8. Exits 1 when there
   is no such box. */
#include <windows.h>
#include <stdio.h>

static wchar_t longest[4096];

static BOOL CALLBACK each_child(HWND child, LPARAM unused) {
  wchar_t name[16], text[4096];
  (void)unused;
  if (GetClassNameW(child, name, 16) && lstrcmpiW(name, L"Static") == 0 && GetWindowTextW(child, text, 4096) &&
      lstrlenW(text) > lstrlenW(longest))
    lstrcpyW(longest, text);
  return TRUE;
}

int wmain(void) {
  HWND box = FindWindowW(L"#32770", L"Kivora");
  if (!box) return 1;
  EnumChildWindows(box, each_child, 0);
  char utf8[16384];
  int n = WideCharToMultiByte(CP_UTF8, 0, longest, -1, utf8, sizeof utf8, NULL, NULL);
  if (n > 1) fwrite(utf8, 1, (size_t)(n - 1), stdout);
  return 0;
}

/* A program for the Windows launch tests: creates an empty
   <its own path>.<process id>.start, so that a test can count starts, then
   writes the command line it was started with to <its own path>.out, in
   UTF-8. */
#include <windows.h>
#include <stdio.h>

int main(void) {
  wchar_t self[MAX_PATH], start[MAX_PATH + 32], out[MAX_PATH + 8];
  GetModuleFileNameW(NULL, self, MAX_PATH);
  swprintf(start, MAX_PATH + 32, L"%ls.%lu.start", self, GetCurrentProcessId());
  FILE* mark = _wfopen(start, L"wb");
  if (!mark) return 1;
  fclose(mark);

  swprintf(out, MAX_PATH + 8, L"%ls.out", self);
  const wchar_t* line = GetCommandLineW();
  char utf8[8192];
  int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, NULL, NULL);
  FILE* f = _wfopen(out, L"wb");
  if (!f) return 1;
  fwrite(utf8, 1, n > 0 ? (size_t)n - 1 : 0, f);
  fclose(f);
  return 0;
}

/* A program for the Windows launch tests: creates an empty
   <its own path>.<process id>.start, so that a test can count starts, then
   writes its current folder to <its own path>.cwd and the command line it
   was started with to <its own path>.out, both in UTF-8. */
#include <windows.h>
#include <stdio.h>

static int write_utf8(const wchar_t* path, const wchar_t* text) {
  char utf8[8192];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
  FILE* f = _wfopen(path, L"wb");
  if (!f) return 0;
  fwrite(utf8, 1, n > 0 ? (size_t)n - 1 : 0, f);
  fclose(f);
  return 1;
}

int main(void) {
  wchar_t self[MAX_PATH], start[MAX_PATH + 32], out[MAX_PATH + 8];
  GetModuleFileNameW(NULL, self, MAX_PATH);
  swprintf(start, MAX_PATH + 32, L"%ls.%lu.start", self, GetCurrentProcessId());
  FILE* mark = _wfopen(start, L"wb");
  if (!mark) return 1;
  fclose(mark);

  wchar_t cwd[MAX_PATH];
  if (!GetCurrentDirectoryW(MAX_PATH, cwd)) cwd[0] = 0;
  swprintf(out, MAX_PATH + 8, L"%ls.cwd", self);
  if (!write_utf8(out, cwd)) return 1;
  swprintf(out, MAX_PATH + 8, L"%ls.out", self);
  return write_utf8(out, GetCommandLineW()) ? 0 : 1;
}

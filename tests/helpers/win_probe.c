/* Reads back what Kivora.exe carries: prints its version information and the
   images of its icon group, one "key=value" a line, for the Windows tests. */
#include <windows.h>
#include <stdio.h>

#pragma pack(push, 2)
typedef struct { BYTE w, h, colours, reserved; WORD planes, bits; DWORD bytes; WORD id; } GroupEntry;
typedef struct { WORD reserved, type, count; GroupEntry entries[1]; } GroupDir;
#pragma pack(pop)

static void print_string(void* info, const wchar_t* name) {
  wchar_t key[128];
  wchar_t* value = NULL;
  UINT len = 0;
  swprintf(key, 128, L"\\StringFileInfo\\040404B0\\%ls", name);
  if (VerQueryValueW(info, key, (void**)&value, &len) && value) printf("%ls=%ls\n", name, value);
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  DWORD size = GetFileVersionInfoSizeW(argv[1], NULL);
  void* info = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
  if (size && GetFileVersionInfoW(argv[1], 0, size, info)) {
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT len = 0;
    if (VerQueryValueW(info, L"\\", (void**)&fixed, &len))
      printf("FileVersionNumber=%u.%u.%u.%u\nProductVersionNumber=%u.%u.%u.%u\n",
             HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS), HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
             HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    WORD* translation = NULL;
    if (VerQueryValueW(info, L"\\VarFileInfo\\Translation", (void**)&translation, &len) && len >= 4)
      printf("Translation=%04x %u\n", translation[0], translation[1]);
    print_string(info, L"FileVersion");
    print_string(info, L"ProductVersion");
    print_string(info, L"ProductName");
    print_string(info, L"InternalName");
    print_string(info, L"OriginalFilename");
  }
  HMODULE exe = LoadLibraryExW(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC group = exe ? FindResourceW(exe, MAKEINTRESOURCEW(1), (LPCWSTR)RT_GROUP_ICON) : NULL;
  GroupDir* dir = group ? (GroupDir*)LockResource(LoadResource(exe, group)) : NULL;
  if (dir) {
    printf("IconImages=%u\n", dir->count);
    for (int i = 0; i < dir->count; ++i)
      printf("Icon=%ux%u@%u\n", dir->entries[i].w ? dir->entries[i].w : 256, dir->entries[i].h ? dir->entries[i].h : 256,
             dir->entries[i].bits);
  }
  return 0;
}

/* The floor for a Win32 program: a bare window with the launcher's controls
   at fixed positions (a label, three radio buttons, a default push button and
   a red square), centred as the launcher centres itself, no menu file, and of
   Kivora.exe's resources only its manifest (bare_win32.rc), so that both draw
   with the same common controls. */
#define UNICODE
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL)) PostQuitMessage(0);
  if (msg == WM_CTLCOLORSTATIC && GetDlgCtrlID((HWND)lp) == 200) return (LRESULT)CreateSolidBrush(RGB(0xcc, 0x22, 0));
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)previous;
  (void)command;
  WNDCLASSW cls = {0};
  cls.lpfnWndProc = Proc;
  cls.hInstance = instance;
  cls.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  cls.lpszClassName = L"BareForm";
  RegisterClassW(&cls);
  int w = 421, h = 247;
  HWND form = CreateWindowExW(WS_EX_APPWINDOW, L"BareForm", L"Bare", WS_POPUP | WS_CLIPCHILDREN,
                              (GetSystemMetrics(SM_CXSCREEN) - w + 1) / 2, (GetSystemMetrics(SM_CYSCREEN) - h + 1) / 2,
                              w, h, NULL, NULL, instance, NULL);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Sans Serif");
  struct { const wchar_t* cls; const wchar_t* text; DWORD style; int x, y, w, h, id; } controls[] = {
      {L"STATIC", L"Select type ", SS_LEFT, 14, 24, 200, 20, 100},
      {L"BUTTON", L"First", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 12, 62, 300, 29, 101},
      {L"BUTTON", L"Second", BS_AUTORADIOBUTTON, 12, 104, 300, 29, 102},
      {L"BUTTON", L"Third", BS_AUTORADIOBUTTON, 12, 146, 300, 29, 103},
      {L"BUTTON", L"Next", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 150, 190, 125, 35, IDOK},
      {L"STATIC", L"", SS_LEFT, 395, 2, 21, 21, 200},
  };
  for (int i = 0; i < 6; ++i) {
    HWND c = CreateWindowExW(0, controls[i].cls, controls[i].text, WS_CHILD | WS_VISIBLE | controls[i].style,
                             controls[i].x, controls[i].y, controls[i].w, controls[i].h, form,
                             (HMENU)(INT_PTR)controls[i].id, instance, NULL);
    SendMessageW(c, WM_SETFONT, (WPARAM)font, FALSE);
    if (i == 1) SendMessageW(c, BM_SETCHECK, BST_CHECKED, 0);
  }
  ShowWindow(form, show);
  UpdateWindow(form);
  MSG msg;
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    if (IsDialogMessageW(form, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

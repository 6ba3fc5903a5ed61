#include "backends/win32/win32_window.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "backends/win32/win32_accessible.h"

namespace kivora::win32 {

namespace {

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

constexpr wchar_t kWindowClass[] = L"KivoraWindow";
constexpr wchar_t kCloseClass[] = L"KivoraClose";
constexpr int kCloseNormalBitmap = 101, kClosePressedBitmap = 102;  // see kivora.rc
constexpr int kIconResource = 1;

// What Windows draws beside a caption, at 96 DPI: a choice's indicator and
// the gap after it, a button's frame and the room it keeps inside it.
constexpr int kChoiceAround = 20, kButtonAround = 10;

Win32Display* FromWindow(HWND hwnd) { return reinterpret_cast<Win32Display*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

[[noreturn]] void FailWindow(const std::u16string& what) {
  DWORD error = GetLastError();
  Raise(SystemFailure(Action::kStart, {SystemCode::kWin32, error}, what, SystemText(error)));
}

int ScreenDpi() {
  WindowDC screen(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  return dpi > 0 ? dpi : kDefaultDpi;
}

HBITMAP LoadLook(int resource) {
  return static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

Win32Display::Win32Display()
    : dpi_(ScreenDpi()), normalLook_(LoadLook(kCloseNormalBitmap)), pressedLook_(LoadLook(kClosePressedBitmap)) {}

HFONT Win32Display::Font(int pixels) {
  for (const auto& [height, font] : fonts_)
    if (height == pixels) return font.get();
  HFONT font = CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, W(std::u16string(kFontFace)));
  fonts_.emplace_back(pixels, GdiObject<HFONT>(font));
  return font;
}

void Win32Display::Build(const Layout& layout, LauncherWindow& window) {
  window_ = &window;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW toplevel{};
  toplevel.lpfnWndProc = WindowProc;
  toplevel.hInstance = instance;
  toplevel.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
  toplevel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  toplevel.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  toplevel.lpszClassName = kWindowClass;
  WNDCLASSW close{};
  close.style = CS_HREDRAW | CS_VREDRAW;  // stretched anew when the resolution changes
  close.lpfnWndProc = CloseProc;
  close.hInstance = instance;
  close.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  close.lpszClassName = kCloseClass;
  if (!RegisterClassW(&toplevel) || !RegisterClassW(&close)) FailWindow(u"Registering the window class");

  toplevel_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kWindowClass, W(kAppTitle),
                              WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, layout.client.width,
                              layout.client.height, nullptr, nullptr, instance, this);
  if (!toplevel_) FailWindow(u"Creating the window");

  // The controls are made in the order they are seen, which is the z-order:
  // the prompt, the three choices, "Next", the close picture. So the choices
  // follow one another and form one group (the dialog manager keeps the
  // arrow keys and the check within a group), and the prompt's access key
  // moves to the first choice, the control after it.
  bool firstChoice = true;
  for (int i = 0; i < kControlCount; ++i) {
    const PlacedControl* c = &layout[Control(i)];
    DWORD style = WS_CHILD | WS_VISIBLE;
    const wchar_t* cls = L"STATIC";
    std::u16string caption(c->caption);
    HMENU id = nullptr;
    switch (c->kind) {
      case ControlKind::kLabel: style |= SS_LEFTNOWORDWRAP; break;
      case ControlKind::kChoice:
        cls = L"BUTTON";
        style |= BS_AUTORADIOBUTTON | (firstChoice ? WS_GROUP | WS_TABSTOP : 0);
        firstChoice = false;
        break;
      case ControlKind::kButton:
        cls = L"BUTTON";
        style |= BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP;
        id = reinterpret_cast<HMENU>(IDOK);  // Enter anywhere presses "Next"
        break;
      case ControlKind::kPicture:
        cls = kCloseClass;
        // Its caption is the name a screen reader announces.
        break;
    }
    HWND h = CreateWindowExW(0, cls, W(caption), style, c->bounds.left, c->bounds.top, c->bounds.width,
                             c->bounds.height, toplevel_, id, instance, nullptr);
    if (!h) FailWindow(u"Creating the window's controls");
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (c->kind == ControlKind::kChoice && c->selected) SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    controls_[int(c->control)] = h;
  }
  ApplyLayout(layout);
}

void Win32Display::ApplyLayout(const Layout& layout) {
  dpi_ = layout.dpi;
  SetWindowPos(toplevel_, nullptr, 0, 0, layout.client.width, layout.client.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (const PlacedControl& c : layout.controls) {
    MoveWindow(hwnd(c.control), c.bounds.left, c.bounds.top, c.bounds.width, c.bounds.height, TRUE);
    fontPixels_[int(c.control)] = c.fontPixels;
    if (c.fontPixels) SendMessageW(hwnd(c.control), WM_SETFONT, WPARAM(Font(c.fontPixels)), TRUE);
  }
}

// The primary monitor's top-left corner is the desktop's origin.
Rect Win32Display::PrimaryMonitor() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int Win32Display::NeededWidth(Control control, std::u16string_view text) {
  HWND h = hwnd(control);
  WindowDC dc(h);
  HGDIOBJ old = SelectObject(dc, Font(fontPixels_[int(control)]));
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()), int(text.size()), &size);
  SelectObject(dc, old);
  wchar_t cls[16];
  GetClassNameW(h, cls, 16);
  int around = 0;
  if (lstrcmpiW(cls, L"BUTTON") == 0)
    around = (GetWindowLongW(h, GWL_STYLE) & BS_AUTORADIOBUTTON) == BS_AUTORADIOBUTTON ? kChoiceAround : kButtonAround;
  return size.cx + MulDiv(around, dpi_, kDefaultDpi);
}

void Win32Display::ShowText(Control control, const Caption& caption, Rect bounds) {
  SetWindowTextW(hwnd(control), W(Marked(caption, u'&')));
  MoveWindow(hwnd(control), bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

bool Win32Display::IsChosen(Control choice) { return SendMessageW(hwnd(choice), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32Display::ShowCloseLook(CloseLook look) {
  look_ = look;
  InvalidateRect(hwnd(Control::kClose), nullptr, FALSE);
  UpdateWindow(hwnd(Control::kClose));
}

void Win32Display::Show(Control focus) {
  SetWindowPos(toplevel_, nullptr, topLeft_.x, topLeft_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(toplevel_, SW_SHOWNORMAL);
  UpdateWindow(toplevel_);
  SetFocus(hwnd(focus));
}

void Win32Display::Deliver(MSG& msg) {
  // Enter held down: its repeats come with the key's previous state down
  // (bit 30), and IsDialogMessage turns each into a press of "Next".
  keyRepeats_ = msg.message == WM_KEYDOWN && (msg.lParam & (1 << 30));
  if (!IsDialogMessageW(toplevel_, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  keyRepeats_ = false;
}

int Win32Display::RunEventLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Deliver(msg);
  return kExitClosed;
}

void Win32Display::PumpEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) Deliver(msg);
}

LRESULT CALLBACK Win32Display::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  Win32Display* self = FromWindow(hwnd);
  if (!self || !self->window_) return DefWindowProcW(hwnd, msg, wp, lp);
  LauncherWindow& window = *self->window_;
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) Dispatch(*self, [&] { window.OnNext(self->keyRepeats_); });
      if (LOWORD(wp) == IDCANCEL) Dispatch(*self, [&] { window.OnCloseRequest(); });  // Escape
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) return 0;
      break;
    case WM_CLOSE:
      Dispatch(*self, [&] { window.OnCloseRequest(); });
      return 0;
    case WM_NEXTDLGCTL: {
      // The dialog manager moves the focus as a dialog box's own procedure
      // would: to the control given, or on in the tab order. A label's
      // access key gives the label, then asks for the control after it: the
      // prompt's is the first choice, whichever choice is chosen.
      HWND focus = GetFocus(), prompt = self->hwnd(Control::kPrompt);
      HWND next = LOWORD(lp) ? reinterpret_cast<HWND>(wp)
                  : focus == prompt ? self->hwnd(Control::kChoice1)
                                    : GetNextDlgTabItem(hwnd, focus, wp != 0);
      if (next) SetFocus(next);
      return 0;
    }
    case WM_DPICHANGED: {
      // Moved to a screen of another resolution: take the place Windows
      // suggests, then lay everything out again at the new resolution.
      const RECT* suggested = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      Dispatch(*self, [&] { window.OnDpiChanged(HIWORD(wp)); });
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Display::PaintClose(HWND picture) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(picture, &ps);
  HBITMAP bitmap = (look_ == CloseLook::kPressed ? pressedLook_ : normalLook_).get();
  if (bitmap) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BITMAP info;
    GetObjectW(bitmap, sizeof info, &info);
    RECT box;  // the image fills its picture, scaled with the resolution
    GetClientRect(picture, &box);
    StretchBlt(dc, 0, 0, box.right, box.bottom, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  EndPaint(picture, &ps);
}

LRESULT CALLBACK Win32Display::CloseProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32Display* self = FromWindow(hwnd);
  if (!self || !self->window_) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT:
      self->PaintClose(hwnd);
      return 0;
    // The picture reports its presses and releases, and the loss of the
    // capture; the window decides what they mean.
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
      if (GetCapture() != hwnd) SetCapture(hwnd);  // the release comes here wherever the pointer is
      Dispatch(*self, [self] { self->window_->OnClosePress(); });
      return msg == WM_XBUTTONDOWN;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP: case WM_XBUTTONUP:
      Dispatch(*self, [self] { self->window_->OnCloseRelease(); });
      if (GetCapture() == hwnd) ReleaseCapture();
      return msg == WM_XBUTTONUP;
    case WM_CAPTURECHANGED:  // another window took the mouse
      Dispatch(*self, [self] { self->window_->OnClosePressLost(); });
      return 0;
    case WM_GETOBJECT:
      return ClosePictureObject(hwnd, wp, lp);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32Display::ShowMessage(const std::u16string& text) {
  MessageBoxW(toplevel_ && IsWindowVisible(toplevel_) ? toplevel_ : nullptr, W(text), W(kAppTitle),
              MB_OK);
}

// A script or an autorun tester that runs Kivora.exe with standard error
// redirected gets the line there, in UTF-8; a double-click has no standard
// error.
void Win32Display::WriteError(const std::u16string& text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (!err || err == INVALID_HANDLE_VALUE) return;
  std::u16string line = text + u"\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, W(line), int(line.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, W(line), int(line.size()), utf8.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(err, utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

void Win32Display::End(ExitStatus status) {
  if (toplevel_) DestroyWindow(toplevel_);
  ExitProcess(UINT(status));
}

}  // namespace kivora::win32

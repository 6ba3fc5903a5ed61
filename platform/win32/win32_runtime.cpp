// The Windows back end: FrmMain as a Win32 window with standard controls,
// built from the form's stored definition. Win32 API only.
// Implements:
//   - a popup window without title bar or border, shown in the taskbar,
//     geometry and fonts from twips at the screen's DPI;
//   - the option buttons as one group, "Next" as the default button (IDOK),
//     Escape (IDCANCEL) and Alt+F4 ending the program;
//   - the close picture as a small window class of its own that captures the
//     mouse from press to release;
//   - Dir with mask 0 from file attributes, MessageBoxW, line input decoded
//     from the ANSI code page, program start with CreateProcessW.
#define WIN32_LEAN_AND_MEAN
#define UNICODE
#define _UNICODE
#include <windows.h>
#include <shellapi.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "platform/common/command_line.h"
#include "platform/common/dispatch.h"
#include "platform/common/line_input.h"
#include "platform/runtime.h"
#include "platform/startup.h"
#include "ui/form_definition.h"
#include "ui/frm_main.h"

namespace kivora {

namespace {

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L  // not in every mingw header
#endif

constexpr wchar_t kAppTitle[] = L"Kivora";
constexpr wchar_t kFormClass[] = L"KivoraForm";
constexpr wchar_t kPictureClass[] = L"KivoraPicture";

// The program's strings are UTF-16, as Windows's own are: they are passed as
// they are, and std::wstring, whose library code is as large as all of the
// launcher's own, is not needed.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 on Windows");
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
std::u16string U(const wchar_t* s, size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }
std::u16string U(const wchar_t* s) { return U(s, wcslen(s)); }

std::u16string LastErrorText(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string s = text ? U(text) : u"";
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == u'\n' || s.back() == u'\r' || s.back() == u' ')) s.pop_back();
  return s;
}

int ErrorNumberFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: return kErrFileNotFound;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: return kErrPermissionDenied;
    default: return kErrPathAccess;
  }
}

class HandleSource : public ByteSource {
 public:
  HandleSource(HANDLE h, std::u16string name) : h_(h), name_(std::move(name)) {}
  ~HandleSource() override { CloseHandle(h_); }
  size_t Read(char* buffer, size_t size) override {
    DWORD n = 0;
    if (!ReadFile(h_, buffer, DWORD(size), &n, nullptr))
      throw RuntimeError(kErrPathAccess, name_ + u": " + LastErrorText(GetLastError()));
    return n;
  }

 private:
  HANDLE h_;
  std::u16string name_;
};

std::u16string DecodeAnsi(std::string_view bytes) {
  if (bytes.empty()) return u"";
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::u16string out(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

bool IsFile(const std::u16string& path) {
  DWORD a = GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

class Win32Runtime : public Runtime {
 public:
  explicit Win32Runtime(const FormDef& def);
  void Bind(FrmMain& form) { form_ = &form; }
  void Show();
  int Loop();

  float FormWidth() override { return float(clientW_) * tpp_; }
  float FormHeight() override { return float(clientH_) * tpp_; }
  void SetFormTop(float twips) override { top_ = Pixels(twips); }
  void SetFormLeft(float twips) override { left_ = Pixels(twips); }
  float ScreenWidth() override { return float(GetSystemMetrics(SM_CXSCREEN)) * tpp_; }
  float ScreenHeight() override { return float(GetSystemMetrics(SM_CYSCREEN)) * tpp_; }
  void SetCaption(ControlId control, const std::u16string& caption) override {
    SetWindowTextW(hwnds_[control], W(caption));
  }
  int16_t OptionValue(ControlId option) override {
    return SendMessageW(hwnds_[option], BM_GETCHECK, 0, 0) == BST_CHECKED ? kTrue : kFalse;
  }
  ImageId Picture(ControlId box) override { return pictures_[box]; }
  void SetPicture(ControlId box, ImageId image) override {
    pictures_[box] = image;
    InvalidateRect(hwnds_[box], nullptr, FALSE);
    UpdateWindow(hwnds_[box]);
  }
  std::u16string AppPath() override;
  std::u16string Dir(const std::u16string& path, int attributes) override;
  void MsgBox(const std::u16string& prompt) override {
    MessageBoxW(IsWindowVisible(form_hwnd_) ? form_hwnd_ : nullptr, W(prompt), kAppTitle, MB_OK);
  }
  void FileOpenInput(const std::u16string& path, int fileNumber) override;
  std::u16string LineInput(int fileNumber) override { return files_.LineInput(fileNumber); }
  void FileClose(int fileNumber) override { files_.Close(fileNumber); }
  double Shell(const std::u16string& commandLine, int windowStyle) override;
  void DoEvents() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) Deliver(msg);
  }
  void ReportError(const RuntimeError& error) override { MsgBox(error.Report()); }
  [[noreturn]] void End(ExitStatus status) override {
    if (form_hwnd_) DestroyWindow(form_hwnd_);
    ExitProcess(UINT(status));
  }

 private:
  int Pixels(float twips) const { return int(std::lround(twips / tpp_)); }
  void Deliver(MSG& msg) {
    if (IsDialogMessageW(form_hwnd_, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  HBITMAP Bitmap(ImageId image);
  static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PictureProc(HWND, UINT, WPARAM, LPARAM);

  const FormDef& def_;
  FrmMain* form_ = nullptr;
  float tpp_ = 15;
  int clientW_ = 0, clientH_ = 0, top_ = 0, left_ = 0;
  HWND form_hwnd_ = nullptr;
  std::map<ControlId, HWND> hwnds_;
  std::map<HWND, ControlId> ids_;
  std::map<ControlId, ImageId> pictures_;
  std::map<ImageId, HBITMAP> bitmaps_;
  std::map<float, HFONT> fonts_;
  FileTable files_;
};

Win32Runtime* g_runtime = nullptr;

Win32Runtime::Win32Runtime(const FormDef& def) : def_(def) {
  g_runtime = this;
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  tpp_ = 1440.0f / float(dpi > 0 ? dpi : 96);
  clientW_ = Pixels(def.clientWidth);
  clientH_ = Pixels(def.clientHeight);

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW form{};
  form.lpfnWndProc = FormProc;
  form.hInstance = instance;
  form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  RegisterClassW(&form);
  WNDCLASSW picture{};
  picture.lpfnWndProc = PictureProc;
  picture.hInstance = instance;
  picture.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  picture.lpszClassName = kPictureClass;
  RegisterClassW(&picture);

  form_hwnd_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kFormClass, kAppTitle,
                               WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, clientW_,
                               clientH_, nullptr, nullptr, instance, nullptr);
  auto font = [&](const FontDef& f) -> HFONT {
    if (!f.face) return nullptr;
    HFONT& h = fonts_[f.points];
    if (!h)
      h = CreateFontW(-int(std::lround(f.points * float(dpi > 0 ? dpi : 96) / 72.0f)), 0, 0, 0, f.weight, FALSE,
                      FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                      DEFAULT_PITCH, L"Arial");
    return h;
  };
  // The three choices go first in z-order so that they are one group: the
  // dialog manager keeps arrow keys and the check within a group.
  const ControlDef* order[16];
  int n = 0;
  for (int i = 0; i < def.controlCount; ++i)
    if (def.controls[i].kind == ControlKind::OptionButton) order[n++] = &def.controls[i];
  for (int i = 0; i < def.controlCount; ++i)
    if (def.controls[i].kind != ControlKind::OptionButton) order[n++] = &def.controls[i];
  bool firstOption = true;
  for (int i = 0; i < n; ++i) {
    const ControlDef& c = *order[i];
    bool stored = c.left >= def.clientWidth || c.top >= def.clientHeight;
    DWORD style = WS_CHILD | (stored ? 0 : WS_VISIBLE);
    const wchar_t* cls = L"STATIC";
    INT_PTR id = 100 + INT_PTR(c.id);
    switch (c.kind) {
      case ControlKind::Label: style |= SS_LEFT | SS_NOPREFIX; break;
      case ControlKind::OptionButton:
        cls = L"BUTTON";
        style |= BS_AUTORADIOBUTTON | (firstOption ? WS_GROUP | WS_TABSTOP : 0);
        firstOption = false;
        break;
      case ControlKind::CommandButton:
        cls = L"BUTTON";
        style |= BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP;
        id = IDOK;  // Enter anywhere presses "Next"
        break;
      case ControlKind::PictureBox:
        cls = kPictureClass;
        pictures_[c.id] = c.image;
        break;
    }
    std::u16string caption(c.caption);
    if (c.kind == ControlKind::PictureBox && c.id == ControlId::Picture1) caption = u"Close";  // for screen readers
    HWND h = CreateWindowExW(0, cls, W(caption), style, Pixels(c.left), Pixels(c.top), Pixels(c.width),
                             Pixels(c.height), form_hwnd_, reinterpret_cast<HMENU>(id), instance, nullptr);
    if (HFONT f = font(c.font)) SendMessageW(h, WM_SETFONT, WPARAM(f), FALSE);
    if (c.kind == ControlKind::OptionButton && c.value) SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    hwnds_[c.id] = h;
    ids_[h] = c.id;
  }
}

HBITMAP Win32Runtime::Bitmap(ImageId image) {
  HBITMAP& h = bitmaps_[image];
  if (!h && image != ImageId::None)
    h = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr),
                                        MAKEINTRESOURCEW(image == ImageId::CloseNormal ? 101 : 102), IMAGE_BITMAP,
                                        0, 0, LR_CREATEDIBSECTION));
  return h;
}

void Win32Runtime::Show() {
  SetWindowPos(form_hwnd_, nullptr, left_, top_, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(form_hwnd_, SW_SHOWNORMAL);
  UpdateWindow(form_hwnd_);
  SetFocus(hwnds_[ControlId::Option1]);
}

int Win32Runtime::Loop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Deliver(msg);
  return kExitClosed;
}

LRESULT CALLBACK Win32Runtime::FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32Runtime* self = g_runtime;
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        Dispatch(*self, [self] { self->form_->Command1_Click(); });
        return 0;
      }
      if (LOWORD(wp) == IDCANCEL) self->End(kExitClosed);  // Escape
      break;
    case WM_CLOSE:
      self->End(kExitClosed);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Runtime::PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32Runtime* self = g_runtime;
  auto id = self && self->ids_.count(hwnd) ? self->ids_[hwnd] : ControlId::Picture1;
  auto shift = int16_t((wp & MK_SHIFT ? 1 : 0) | (wp & MK_CONTROL ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0));
  float x = float(short(LOWORD(lp))) * (self ? self->tpp_ : 15), y = float(short(HIWORD(lp))) * (self ? self->tpp_ : 15);
  int16_t button = 0;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (HBITMAP bmp = self->Bitmap(self->pictures_[id])) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bmp);
        BITMAP info;
        GetObjectW(bmp, sizeof info, &info);
        RECT box;  // the image fills its picture box, scaled with the DPI
        GetClientRect(hwnd, &box);
        StretchBlt(dc, 0, 0, box.right, box.bottom, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
      button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
      SetCapture(hwnd);  // the release comes here wherever the pointer is
      if (id == ControlId::Picture1)
        Dispatch(*self, [&] { self->form_->Picture1_MouseDown(button, shift, x, y); });
      return 0;
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
      button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
      ReleaseCapture();
      if (id == ControlId::Picture1)
        Dispatch(*self, [&] { self->form_->Picture1_MouseUp(button, shift, x, y); });
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

std::u16string Win32Runtime::AppPath() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, buffer, DWORD(sizeof buffer / sizeof buffer[0]));
  std::u16string path = U(buffer, n);
  path = path.substr(0, path.find_last_of(u'\\'));
  if (path.size() == 2 && path[1] == u':') path += u'\\';  // a drive root keeps its "\"
  return path;
}

std::u16string Win32Runtime::Dir(const std::u16string& path, int attributes) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(W(path), &found);
  if (find == INVALID_HANDLE_VALUE) return u"";
  std::u16string name;
  DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  excluded &= ~DWORD(attributes);
  do {
    if (!(found.dwFileAttributes & excluded)) {
      name = U(found.cFileName);
      break;
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return name;
}

void Win32Runtime::FileOpenInput(const std::u16string& path, int fileNumber) {
  HANDLE h = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    throw RuntimeError(ErrorNumberFor(error), path + u": " + LastErrorText(error));
  }
  files_.Open(fileNumber, std::make_unique<HandleSource>(h, path), path, LineEnds::kCrOrCrLf, DecodeAnsi);
}

// The program part is found with the launcher's folder kept whole and passed
// quoted, so that a blank in the folder cannot make Windows start D:\My.exe.
double Win32Runtime::Shell(const std::u16string& commandLine, int) {
  std::u16string folder = AppPath();
  if (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  size_t keep = commandLine.compare(0, folder.size(), folder) == 0 ? folder.size() : 0;
  ProgramPart part = FindProgram(commandLine, keep, [](const std::u16string& p) {
    return IsFile(p) || IsFile(p + u".exe");
  });
  std::u16string program = part.program;
  if (!IsFile(program) && IsFile(program + u".exe")) program += u".exe";
  std::u16string line = QuoteArgument(program) + part.arguments;

  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(W(program), reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return double(pi.dwProcessId);
  }
  DWORD error = GetLastError();
  if (error == ERROR_ELEVATION_REQUIRED) {
    // An installer that needs an administrator: Windows asks for consent.
    const std::u16string& args = part.arguments;
    SHELLEXECUTEINFOW sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpFile = W(program);
    sei.lpParameters = W(args);
    sei.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&sei)) {
      DWORD pid = sei.hProcess ? GetProcessId(sei.hProcess) : 0;
      if (sei.hProcess) CloseHandle(sei.hProcess);
      return double(pid);
    }
    error = GetLastError();
  }
  int number = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kErrFileNotFound
               : error == ERROR_ACCESS_DENIED                                 ? kErrPermissionDenied
                                                                              : kErrInvalidCall;
  throw RuntimeError(number, commandLine + u": " + LastErrorText(error));
}

}  // namespace

int ThunRTMain() {
  Win32Runtime runtime(FrmMainDefinition());
  FrmMain form(runtime);
  runtime.Bind(form);
  Dispatch(runtime, [&form] { form.Form_Load(); });
  runtime.Show();
  return runtime.Loop();
}

}  // namespace kivora

// An exception that nothing catches ends the program. The C++ library's own
// handler for that prints the exception's type, demangled, to a standard
// error that a Windows program without a console does not have; its
// demangler is 46 KiB of Kivora.exe. This one ends the program the same way,
// without the message nobody would see.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

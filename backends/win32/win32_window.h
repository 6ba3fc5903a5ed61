// Kivora.exe's window with standard controls, placed from the core's layout;
// its files and programs are win32_files' and win32_process'.
// Implements:
//   - a popup window without title bar or border, shown in the taskbar with
//     the program's icon;
//   - the controls' fonts, texts and needed widths, the choices as one group,
//     "Next" as the default button (IDOK), Escape (IDCANCEL) and Alt+F4;
//   - the close picture as a small window class of its own that captures the
//     mouse from a press on it, reports its presses, releases and the loss of
//     the capture to the window, draws the look it is given, and answers a
//     screen reader as a push button (win32_accessible);
//   - a new layout when the window moves to a screen of another resolution
//     (WM_DPICHANGED);
//   - the message box, the run-time error report (also on standard error when
//     the process has one), the message loop, event pumping and the end.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "backends/win32/win32_handles.h"
#include "core/launcher_window.h"
#include "core/window.h"

namespace kivora::win32 {

class Win32Display : public Window {
 public:
  Win32Display();

  int Dpi() override { return dpi_; }
  void Build(const Layout& layout, LauncherWindow& window) override;
  void ApplyLayout(const Layout& layout) override;
  Rect PrimaryMonitor() override;
  void PlaceWindow(Point topLeft) override { topLeft_ = topLeft; }
  int NeededWidth(Control control, std::u16string_view text) override;
  void ShowText(Control control, const Caption& caption, Rect bounds) override;
  bool IsChosen(Control choice) override;
  void ShowCloseLook(CloseLook look) override;
  void Show(Control focus) override;
  int RunEventLoop() override;
  void PumpEvents() override;
  long long Milliseconds() override { return (long long)GetTickCount64(); }
  long long PressTime() override { return (long long)(DWORD)GetMessageTime(); }
  int DoubleClickTime() override { return int(GetDoubleClickTime()); }
  void ShowMessage(const std::u16string& text) override;
  void WriteError(const std::u16string& line) override;
  [[noreturn]] void End(ExitStatus status) override;

 private:
  HWND hwnd(Control control) const { return controls_[int(control)]; }
  HFONT Font(int pixels);
  void Deliver(MSG& msg);
  void PaintClose(HWND picture);
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK CloseProc(HWND, UINT, WPARAM, LPARAM);

  LauncherWindow* window_ = nullptr;
  int dpi_;
  Point topLeft_{0, 0};
  HWND toplevel_ = nullptr;
  bool keyRepeats_ = false;  // the message being delivered is a held key's repeat
  std::array<HWND, kControlCount> controls_{};
  std::array<int, kControlCount> fontPixels_{};
  std::vector<std::pair<int, GdiObject<HFONT>>> fonts_;  // by character height in pixels: a few
  GdiObject<HBITMAP> normalLook_, pressedLook_;
  CloseLook look_ = CloseLook::kNormal;
};

}  // namespace kivora::win32

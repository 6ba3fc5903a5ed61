// The Linux launcher's window as GTK 3 widgets, placed from the core's layout;
// its files and programs are posix/'s.
// Implements:
//   - the window without title bar or border, placed where the core centred
//     it (X11) or centred by the compositor (Wayland);
//   - the controls' fonts, texts and needed widths, the choices as one radio
//     group, the close picture's two looks;
//   - the message box and the run-time error report (also on stderr);
//   - the event loop, event pumping and the end;
//   - the keyboard: the table's tab order, Enter for "Next", Escape and the
//     window manager's close.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <set>
#include <memory>

#include "core/launcher_window.h"
#include "core/window.h"

namespace kivora {

// Owns one reference of a GObject.
struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Starts GTK on the default display, with the launcher's built-in copy of the
// default theme when the user's theme is the default one. False when there is
// no display to open. The environment is as it was before, once it returns.
bool StartGtk();

class GtkDisplay : public Window {
 public:
  GtkDisplay();

  int Dpi() override;
  void Build(const Layout& layout, LauncherWindow& window) override;
  void ApplyLayout(const Layout& layout) override;
  Rect PrimaryMonitor() override;
  void PlaceWindow(Point topLeft) override;
  int NeededWidth(Control control, std::u16string_view text) override;
  void ShowText(Control control, const Caption& caption, Rect bounds) override;
  bool IsChosen(Control choice) override;
  void ShowCloseLook(CloseLook look) override;
  void Show(Control focus) override;
  int RunEventLoop() override;
  void PumpEvents() override;
  long long Milliseconds() override { return g_get_monotonic_time() / 1000; }
  long long PressTime() override {
    guint32 time = gtk_get_current_event_time();
    return time == GDK_CURRENT_TIME ? -1 : (long long)time;
  }
  int DoubleClickTime() override;
  void ShowMessage(const std::u16string& text) override;
  void WriteError(const std::u16string& line) override;
  [[noreturn]] void End(ExitStatus status) override;

 private:
  GtkWidget* CreateControl(const PlacedControl& control);
  GtkWidget* widget(Control control) const { return widgets_[int(control)]; }
  // The label that shows a control's text: the control itself, or its child.
  GtkWidget* TextLabel(Control control) const;

  static gboolean OnCloseButton(GtkWidget*, GdkEventButton* event, gpointer self);
  static gboolean OnCloseGrabBroken(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer self);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnPromptKey(GtkWidget*, gboolean groupCycling, gpointer self);
  static void OnNextClicked(GtkButton*, gpointer self);

  LauncherWindow* window_ = nullptr;
  GtkWidget* toplevel_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  std::array<GtkWidget*, kControlCount> widgets_{};
  std::array<GObjectPtr<GtkCssProvider>, kControlCount> fonts_;
  std::array<int, kControlCount> fontPixels_{};
  GtkWidget* closeImage_ = nullptr;
  GObjectPtr<GdkPixbuf> normalLook_, pressedLook_;
  std::set<guint16> keysDown_;  // hardware key codes held down
  Point topLeft_{0, 0};
};

}  // namespace kivora

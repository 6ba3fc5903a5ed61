// The launcher's only window: what it does when an event arrives, and what it
// holds (the captions as the menu file gave them, the three launch targets).
// Everything outside the program goes through the window, files and programs
// of the system it runs on.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/files.h"
#include "core/form.h"
#include "core/launch_plan.h"
#include "core/menu_file.h"
#include "core/programs.h"
#include "core/window.h"

namespace kivora {

class LauncherWindow {
 public:
  LauncherWindow(Window& window, Files& files, Programs& programs);

  const Layout& layout() const { return layout_; }
  // Lines 5 to 7 of the menu file: what "Next" starts for each choice.
  std::array<std::u16string, 3> targets() const { return {targets_[0].text, targets_[1].text, targets_[2].text}; }

  // The event handlers, called by the back end as the events arrive.
  void OnLoad();
  // "Next" pressed: a click, Space, or Enter; repeated is true for a key's
  // auto-repeat while it is held down.
  void OnNext(bool repeated = false);
  // The close picture: a button pressed on it; a button released that
  // reaches it (after a press on it the back end keeps the mouse, so the
  // release comes wherever the pointer is); and a press that ended without a
  // release (another window took the mouse).
  void OnClosePress();
  void OnCloseRelease();
  void OnClosePressLost();
  void OnCloseRequest();  // Escape, Alt+F4, the window manager's close
  void OnDpiChanged(int dpi);

 private:
  void SetText(Control control, std::u16string text);
  bool CarryOut(const LaunchPlan& plan, const std::u16string& where);

  Window& window_;
  Files& files_;
  Programs& programs_;
  Layout layout_;
  std::array<std::u16string, kControlCount> texts_;  // fitted again at a new resolution
  std::array<TextLine, 3> targets_;
  std::u16string menuShown_;  // the menu file's path as reports show it
  bool closePressed_ = false;  // since a press on the close picture
  std::optional<long long> lastStart_;  // when "Next" last started or opened something
  std::optional<long long> lastStartPress_;  // and when the press that did so happened
};

// The whole run: builds the window, raises its load event, shows it unless
// the program has ended, then runs the event loop. Returns the exit status.
int RunLauncher(Window& window, Files& files, Programs& programs);

}  // namespace kivora

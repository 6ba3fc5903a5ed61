#include "core/launcher_window.h"

#include "core/launch.h"
#include "core/launch_plan.h"
#include "core/menu_file.h"
#include "core/names.h"
#include "core/text.h"

namespace kivora {

namespace {

constexpr Control kChoices[] = {Control::kChoice1, Control::kChoice2, Control::kChoice3};

// A report of a menu line: where it stands, then what.
[[noreturn]] __attribute__((noinline)) void RaiseAt(const std::u16string& where, int number, const std::u16string& what) {
  Raise(RuntimeError(number, where + u": " + what));
}

}  // namespace

LauncherWindow::LauncherWindow(Window& window, Files& files, Programs& programs)
    : window_(window), files_(files), programs_(programs), layout_(LayOut(window.Dpi())) {
  for (const PlacedControl& c : layout_.controls) texts_[int(c.control)] = c.caption;
}

// Centres the window, then shows the menu file's seven lines beside the
// launcher: the prompt, the three choices and their three launch targets,
// each line taken whole. Without a menu file it says "Error!" and ends
// before the window is ever shown. A menu file it cannot read whole is
// reported after the lines before the fault are set, as they are read.
void LauncherWindow::OnLoad() {
  window_.PlaceWindow(Centred(window_.PrimaryMonitor(), layout_.client));
  const Menu menu = ReadMenu(files_.LauncherFolder(), files_);
  if (!menu.read) {
    if (menu.error) Raise(*menu.error);
    window_.ShowMessage(u"Error!");
    window_.End(kExitMenuMissing);
  }
  menuShown_ = ShownPath(menu.path, files_.conventions().separator);
  const std::vector<TextLine>& lines = menu.text.lines;
  for (size_t i = 0; i < lines.size(); ++i)
    if (i == 0)
      SetText(Control::kPrompt, lines[i].text);
    else if (i < 4)
      SetText(kChoices[i - 1], lines[i].text);
    else
      targets_[i - 4] = lines[i];
  if (menu.error) Raise(*menu.error);
}

// "Next": starts the program (or opens the document) of each chosen choice,
// in the order of the choices, and lets waiting events run after each start;
// a choice made while they run is started too. A key held down is one press,
// and a press within the system's double-click time of a start is the same
// press again (a double click, Enter struck twice): neither starts anything.
// Nothing starts once the launcher's folder is gone (an ejected disc): its
// targets are not there, and a file at their paths would be another's; a
// file that could not be read because its medium went is reported so too.
void LauncherWindow::OnNext(bool repeated) {
  if (repeated) return;
  const long long pressed = window_.PressTime();
  auto soonAfter = [this](const std::optional<long long>& start, long long now) {
    return start && now >= *start && now - *start < window_.DoubleClickTime();
  };
  if (soonAfter(lastStart_, window_.Milliseconds()) || (pressed >= 0 && soonAfter(lastStartPress_, pressed))) return;
  for (int i = 0; i < 3; ++i) {
    if (!window_.IsChosen(kChoices[i])) continue;
    if (!files_.LauncherFolderRemains()) Raise(FolderGone(files_.LauncherFolder()));
    LaunchPlan plan = Decide(files_.LauncherFolder(), targets_[i], files_.conventions(), files_.Facts());
    if (plan.refused && !files_.LauncherFolderRemains()) Raise(FolderGone(files_.LauncherFolder()));
    if (CarryOut(plan, menuShown_ + u", line " + char16_t(u'0' + kMenuLines - 2 + i))) {
      lastStart_ = window_.Milliseconds();
      if (pressed >= 0) lastStartPress_ = pressed;
    }
    window_.PumpEvents();
  }
}

// What Decide said: a program is started (a script without execute
// permission through its interpreter); an address, or a file that is no
// program (a manual, a web page), is opened with the application the user's
// system has for it. Where there is none, a message in the system's words
// says so and the menu stays: the user's system lacks an application, the
// menu is not wrong. Or the report, which names where the line stands in
// the menu, then the file and what became of it. Whether anything was
// started or opened.
bool LauncherWindow::CarryOut(const LaunchPlan& plan, const std::u16string& where) {
  if (plan.refused) RaiseAt(where, plan.refused->number(), plan.refused->concerns());
  const Launch& launch = plan.launch;
  auto report = [&](int number, const std::u16string& what) { RaiseAt(where, number, Concerning(launch.shown, what)); };
  LaunchPlan::Step step = plan.step;
  if (step == LaunchPlan::kStartCopy) {
    std::optional<SystemError> failed = programs_.StartCopy(launch);
    if (failed)
      report(ErrorNumberFor(Action::kStart, failed->code), plan.whyCopy + u" (" + failed->text + u"): " + plan.advice);
    return true;
  }
  if (step == LaunchPlan::kStart) {
    std::optional<SystemError> failed = programs_.Start(launch);
    if (!failed) return true;
    if (!plan.ifNoProgram || !IsNotAProgram(failed->code)) report(ErrorNumberFor(Action::kStart, failed->code), failed->text);
    step = *plan.ifNoProgram;
  }
  if (step == LaunchPlan::kStartWindowsProgram) {
    Handed handed = programs_.StartWindowsProgram(launch);
    if (handed == Handed::kStarted) return true;
    report(kErrInvalidCall, plan.ifNotHanded[handed == Handed::kNoApplication ? 0 : 1]);
  }
  std::optional<std::u16string> notOpened = programs_.Open(launch);
  if (notOpened) window_.ShowMessage(Concerning(launch.shown, *notOpened));
  return !notOpened;
}

// Any button down on the close picture shows its pressed look.
void LauncherWindow::OnClosePress() {
  closePressed_ = true;
  window_.ShowCloseLook(CloseLook::kPressed);
}

// A release ends the launcher only after a press on the close picture: a
// button pressed elsewhere and released over the picture does nothing.
void LauncherWindow::OnCloseRelease() {
  if (!closePressed_) return;
  closePressed_ = false;
  window_.ShowCloseLook(CloseLook::kNormal);
  window_.End(kExitClosed);
}

// The press ended without a release: the picture looks as before, and the
// next release does nothing.
void LauncherWindow::OnClosePressLost() {
  if (!closePressed_) return;
  closePressed_ = false;
  window_.ShowCloseLook(CloseLook::kNormal);
}

void LauncherWindow::OnCloseRequest() { window_.End(kExitClosed); }

// On a screen of another resolution every control is placed, and every text
// fitted, again.
void LauncherWindow::OnDpiChanged(int dpi) {
  layout_ = LayOut(dpi);
  window_.ApplyLayout(layout_);
  for (const PlacedControl& c : layout_.controls)
    if (c.kind != ControlKind::kPicture) SetText(c.control, texts_[int(c.control)]);
}

void LauncherWindow::SetText(Control control, std::u16string text) {
  Fitted fitted =
      Fit(layout_, control, CaptionOf(text), [&](std::u16string_view t) { return window_.NeededWidth(control, t); });
  window_.ShowText(control, fitted.caption, fitted.bounds);
  texts_[int(control)] = std::move(text);
}

int RunLauncher(Window& window, Files& files, Programs& programs) {
  LauncherWindow launcher(window, files, programs);
  Dispatch(window, [&] { window.Build(launcher.layout(), launcher); });
  Dispatch(window, [&launcher] { launcher.OnLoad(); });
  window.Show(launcher.layout().firstFocus());
  return window.RunEventLoop();
}

}  // namespace kivora

#include "core/launcher_window.h"

#include "core/launch.h"
#include "core/names.h"

namespace kivora {

namespace {

constexpr Control kChoices[] = {Control::kChoice1, Control::kChoice2, Control::kChoice3};

}  // namespace

LauncherWindow::LauncherWindow(System& system) : system_(system), layout_(LayOut(system.Dpi())) {
  for (const PlacedControl& c : layout_.controls) texts_[int(c.control)] = c.caption;
}

// Centres the window, then loads the menu file beside the launcher, or says
// "Error!" and ends before the window is ever shown.
void LauncherWindow::OnLoad() {
  system_.PlaceWindow(Centred(system_.PrimaryMonitor(), layout_.client));
  Found menu = FindPath(system_.LauncherFolder(), kMenuFileName, system_.conventions(), Files());
  if (!menu.alike.empty()) Raise(NamesAlike(menu.path, menu.alike));
  if (menu.kind != FileKind::kNormal) {
    system_.ShowMessage(u"Error!");
    system_.End(kExitMenuMissing);
  }
  LoadMenu(menu.path);
}

// The seven lines of the menu file: the prompt, the three choices and their
// three launch targets, each line taken whole.
void LauncherWindow::LoadMenu(const std::u16string& path) {
  TextReader menu(system_.OpenFile(path), path, system_.conventions().lineEnds,
                  [this](std::string_view bytes) { return system_.Decode(bytes); });
  SetText(Control::kPrompt, menu.ReadLine());
  for (Control choice : kChoices) SetText(choice, menu.ReadLine());
  for (std::u16string& target : targets_) target = menu.ReadLine();
}

// "Next": starts the program (or opens the document) of each chosen choice, in the order of the
// choices, and lets waiting events run after each start; a choice made while
// they run is started too.
void LauncherWindow::OnNext() {
  for (int i = 0; i < 3; ++i) {
    if (!system_.IsChosen(kChoices[i])) continue;
    StartOrOpen(ResolveLaunch(system_.LauncherFolder(), targets_[i], system_.conventions(), Files()));
    system_.PumpEvents();
  }
}

// A program is started; an address, or a file that is no program (a manual,
// a web page), is opened with the application the user's system has for it.
void LauncherWindow::StartOrOpen(const Launch& launch) {
  if (launch.address) {
    if (std::optional<std::u16string> failed = system_.Open(launch))
      Raise(RuntimeError(kErrFileNotFound, launch.shown + u": no application opens it (" + *failed + u")"));
    return;
  }
  std::optional<SystemError> failed = system_.Start(launch);
  if (failed && launch.found && IsNotAProgram(failed->code)) {
    std::optional<std::u16string> notOpened = system_.Open(launch);
    if (!notOpened) return;
    failed->text += u", and no application opens it (" + *notOpened + u")";
  }
  if (failed) Raise(SystemFailure(Action::kStart, *failed, launch.shown));
}

// Any button down on the close picture shows its pressed look.
void LauncherWindow::OnClosePress() { system_.ShowCloseLook(CloseLook::kPressed); }

// The release, wherever the pointer is by then, restores the normal look and
// ends the launcher.
void LauncherWindow::OnCloseRelease() {
  system_.ShowCloseLook(CloseLook::kNormal);
  system_.End(kExitClosed);
}

void LauncherWindow::OnCloseRequest() { system_.End(kExitClosed); }

// On a screen of another resolution every control is placed, and every text
// fitted, again.
void LauncherWindow::OnDpiChanged(int dpi) {
  layout_ = LayOut(dpi);
  system_.ApplyLayout(layout_);
  for (const PlacedControl& c : layout_.controls)
    if (c.kind != ControlKind::kPicture) SetText(c.control, texts_[int(c.control)]);
}

FileLookup LauncherWindow::Files() {
  return {[this](const std::u16string& path) { return system_.Probe(path); },
          [this](const std::u16string& folder) { return system_.ListFolder(folder); }};
}

void LauncherWindow::SetText(Control control, std::u16string text) {
  Fitted fitted =
      Fit(layout_, control, CaptionOf(text), [&](std::u16string_view t) { return system_.NeededWidth(control, t); });
  system_.ShowText(control, fitted.caption, fitted.bounds);
  texts_[int(control)] = std::move(text);
}

int RunLauncher(System& system) {
  LauncherWindow window(system);
  Dispatch(system, [&] { system.Build(window.layout(), window); });
  Dispatch(system, [&window] { window.OnLoad(); });
  system.Show();
  return system.RunEventLoop();
}

}  // namespace kivora

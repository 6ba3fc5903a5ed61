#include "core/launcher_window.h"

#include "core/launch.h"

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
  system_.PlaceWindow(Centred(system_.ScreenSize(), layout_.client));
  std::u16string menu = JoinPath(system_.LauncherFolder(), kMenuFileName, system_.conventions().separator);
  if (system_.Probe(menu) != FileKind::kNormal) {
    system_.ShowMessage(u"Error!");
    system_.End(kExitMenuMissing);
  }
  LoadMenu(menu);
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

// "Next": starts the program of each chosen choice, in the order of the
// choices, and lets waiting events run after each start; a choice made while
// they run is started too.
void LauncherWindow::OnNext() {
  for (int i = 0; i < 3; ++i) {
    if (!system_.IsChosen(kChoices[i])) continue;
    system_.Start(ResolveLaunch(system_.LauncherFolder(), targets_[i], system_.conventions(),
                                [this](const std::u16string& path) { return system_.Probe(path); }));
    system_.PumpEvents();
  }
}

// Any button down on the close picture shows its pressed look.
void LauncherWindow::OnClosePress() {
  closePressed_ = true;
  system_.ShowCloseLook(CloseLook::kPressed);
}

// A release ends the launcher only after a press on the close picture: a
// button pressed elsewhere and released over the picture does nothing.
void LauncherWindow::OnCloseRelease() {
  if (!closePressed_) return;
  closePressed_ = false;
  system_.ShowCloseLook(CloseLook::kNormal);
  system_.End(kExitClosed);
}

// The press ended without a release: the picture looks as before, and the
// next release does nothing.
void LauncherWindow::OnClosePressLost() {
  if (!closePressed_) return;
  closePressed_ = false;
  system_.ShowCloseLook(CloseLook::kNormal);
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

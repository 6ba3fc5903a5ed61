// Fuzzes a menu file as a disc gives it: the launcher loads it and presses
// Next on each choice, on the fake system with a few files beside it, as
// Windows' conventions or Linux's have it (the first byte picks). Whatever
// the bytes, the launcher shows its window or ends with a report or
// "Error!", never a crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/launcher_window.h"
#include "tests/fake/fake_system.h"

namespace {

using kivora::testing::FakeSystem;

// A disc beside the menu: a Windows program, a script without execute
// permission, a document and a folder.
struct Disc {
  explicit Disc(bool windows) {
    system.rules = windows ? kivora::testing::kWindows : kivora::testing::kLinux;
    system.folder = windows ? u"D:\\m" : u"/cd";
    const std::u16string at = system.folder + system.rules.separator;
    menu = at + u"Kivora.ini";
    system.files[at + u"setup.exe"] = "MZ";
    system.files[at + u"run.sh"] = "#!/bin/sh\n";
    system.files[at + u"notes.txt"] = "# notes";
    system.others[at + u"tools"] = kivora::FileKind::kFolder;
    system.permissions[at + u"run.sh"] = kivora::RunPermission::kNoExecuteBit;
    system.Build(window.layout(), window);
  }
  FakeSystem system;
  kivora::LauncherWindow window{system, system, system};
  std::u16string menu;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // One disc of each kind for every input, as building one lays the form out.
  static Disc linux(false), windows(true);
  Disc& disc = data[0] & 1 ? windows : linux;
  FakeSystem& system = disc.system;
  system.files[disc.menu] = std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  system.texts.clear();
  system.started.clear();
  system.opened.clear();
  system.handed.clear();
  system.messages.clear();
  system.errors.clear();
  system.probed.clear();
  system.layouts.clear();
  system.pumpsBeforeStart.clear();
  try {
    kivora::Dispatch(system, [&] { disc.window.OnLoad(); });
    for (kivora::Control choice : {kivora::Control::kChoice1, kivora::Control::kChoice2, kivora::Control::kChoice3}) {
      system.Choose(choice);
      system.clock += 1000;  // past the double-click time
      kivora::Dispatch(system, [&] { disc.window.OnNext(); });
    }
  } catch (const kivora::testing::FakeEnd& end) {
    if (end.status != kivora::kExitMenuMissing && end.status != kivora::kExitRuntimeError) std::abort();
    if (system.messages.size() != 1) std::abort();  // one report, or "Error!", before the end
    return 0;
  }
  if (system.started.size() + system.opened.size() + system.handed.size() + system.messages.size() > 3) std::abort();
  return 0;
}

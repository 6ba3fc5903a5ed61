#include "ui/frm_main.h"

namespace kivora {

namespace {

// App.Path keeps its separator only at a root ("D:\"); that is cut to "D:" so
// that exactly one "\" stands between the folder and the target. The
// separator test keeps a three-letter folder such as /cd whole on Linux.
bool IsRootWithSeparator(const std::u16string& path) {
  return path.size() == 3 && (path[2] == u'\\' || path[2] == u'/');
}

}  // namespace

// "Next": starts the program of each selected choice, in the order of the
// choices, and lets waiting events run after each start.
void FrmMain::Command1_Click() {
  std::u16string BaseDir;
  if (IsRootWithSeparator(rt_.AppPath())) {
    BaseDir = rt_.AppPath().substr(0, 2);
  } else {
    BaseDir = rt_.AppPath();
  }

  const struct {
    ControlId option;
    const std::u16string& target;
  } choices[] = {
      {ControlId::Option1, LaunchTarget1},
      {ControlId::Option2, LaunchTarget2},
      {ControlId::Option3, LaunchTarget3},
  };
  for (const auto& choice : choices) {
    if (rt_.OptionValue(choice.option) != kFalse) {
      rt_.Shell(BaseDir + u"\\" + choice.target, kNormalFocus);
      rt_.DoEvents();
    }
  }
}

}  // namespace kivora

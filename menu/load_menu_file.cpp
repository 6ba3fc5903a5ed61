#include "ui/frm_main.h"

namespace kivora {

// Reads the seven lines of the menu file: the prompt, the three choices and
// their three launch targets. Each line is taken whole.
void FrmMain::LoadMenuFile(const std::u16string& fileName) {
  rt_.FileOpenInput(rt_.AppPath() + u"\\" + fileName, 1);
  rt_.SetCaption(ControlId::Label1, rt_.LineInput(1));
  rt_.SetCaption(ControlId::Option1, rt_.LineInput(1));
  rt_.SetCaption(ControlId::Option2, rt_.LineInput(1));
  rt_.SetCaption(ControlId::Option3, rt_.LineInput(1));
  LaunchTarget1 = rt_.LineInput(1);
  LaunchTarget2 = rt_.LineInput(1);
  LaunchTarget3 = rt_.LineInput(1);
  rt_.FileClose(1);
}

}  // namespace kivora

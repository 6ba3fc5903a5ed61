#include "ui/frm_main.h"

namespace kivora {

// Centres the window, then loads the menu file beside the launcher, or says
// "Error!" and ends before the window is ever shown.
void FrmMain::Form_Load() {
  rt_.SetFormTop((rt_.ScreenHeight() - rt_.FormHeight()) / 2.0f);
  rt_.SetFormLeft((rt_.ScreenWidth() - rt_.FormWidth()) / 2.0f);

  std::u16string MenuFileName = u"Kivora.ini";
  if (rt_.Dir(rt_.AppPath() + u"\\" + MenuFileName, 0) != u"") {
    LoadMenuFile(MenuFileName);
    return;
  }
  rt_.MsgBox(u"Error!");
  rt_.End(kExitMenuMissing);
}

}  // namespace kivora

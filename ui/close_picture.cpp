#include "ui/frm_main.h"

namespace kivora {

// Any button down on the close picture shows its pressed look.
void FrmMain::Picture1_MouseDown(int16_t, int16_t, float, float) {
  rt_.SetPicture(ControlId::Picture1, rt_.Picture(ControlId::Picture3));
}

// The release, wherever the pointer is by then, restores the normal look and
// ends the launcher.
void FrmMain::Picture1_MouseUp(int16_t, int16_t, float, float) {
  rt_.SetPicture(ControlId::Picture1, rt_.Picture(ControlId::Picture2));
  rt_.End(kExitClosed);
}

}  // namespace kivora

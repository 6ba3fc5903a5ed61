#include "ui/form_definition.h"

namespace kivora {

namespace {

constexpr FontDef kArial9 = {"Arial", 9.75f, 400};
constexpr FontDef kArial11 = {"Arial", 11.25f, 400};
constexpr FontDef kArial12 = {"Arial", 12.0f, 400};
constexpr FontDef kNoFont = {nullptr, 0, 0};

using K = ControlKind;
using C = ControlId;

// The option captions are placeholders; the menu file replaces them, and the
// prompt, before the window is first shown.
constexpr ControlDef kControls[] = {
    {C::Label1, K::Label, "Label1", 210, 360, 1215, 270, 0, u"Select type ", kArial12, ImageId::None, false},
    {C::Option1, K::OptionButton, "Option1", 180, 930, 5715, 435, 1, u"\" . \"", kArial11, ImageId::None, true},
    {C::Option2, K::OptionButton, "Option2", 180, 1560, 5715, 435, 2, u"\" , \"", kArial11, ImageId::None, false},
    {C::Command1, K::CommandButton, "Command1", 2250, 2850, 1875, 525, 3, u"Next", kArial12, ImageId::None, false},
    {C::Picture1, K::PictureBox, "Picture1", 5925, 30, 315, 315, 4, u"", kNoFont, ImageId::CloseNormal, false},
    // Picture2 and Picture3 lie beyond the client area's right edge: they only
    // hold the normal and the pressed look of the close picture.
    {C::Picture2, K::PictureBox, "Picture2", 6330, 570, 315, 315, 5, u"", kNoFont, ImageId::CloseNormal, false},
    {C::Picture3, K::PictureBox, "Picture3", 6330, 180, 315, 315, 6, u"", kNoFont, ImageId::ClosePressed, false},
    {C::Option3, K::OptionButton, "Option3", 180, 2190, 5715, 435, 7, u"\" U \"", kArial11, ImageId::None, false},
};

constexpr FormDef kFrmMain = {
    "FrmMain", u"Form1", 6315, 3705, kArial9, kControls, int(sizeof kControls / sizeof kControls[0]),
};

}  // namespace

const FormDef& FrmMainDefinition() { return kFrmMain; }

const ControlDef& ControlDefinition(ControlId id) {
  for (const ControlDef& c : kControls)
    if (c.id == id) return c;
  return kControls[0];  // unreachable: every ControlId is in the table
}

}  // namespace kivora

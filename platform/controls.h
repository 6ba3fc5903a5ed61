// Names shared by the program and the back ends for FrmMain's controls and
// images.
#pragma once

namespace kivora {

enum class ControlId { Label1, Option1, Option2, Command1, Picture1, Picture2, Picture3, Option3 };

enum class ControlKind { Label, OptionButton, CommandButton, PictureBox };

// The images stored with the form. A picture box's Picture is one of them.
enum class ImageId { None, CloseNormal, ClosePressed };

}  // namespace kivora

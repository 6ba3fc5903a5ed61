// FrmMain as it is stored with the program: the window, its controls in tab
// order, their geometry in twips, captions, fonts and images. The back ends
// build their widgets from this table and repeat none of its numbers.
#pragma once

#include <string_view>

#include "platform/controls.h"

namespace kivora {

struct FontDef {
  const char* face;
  float points;
  int weight;
};

struct ControlDef {
  ControlId id;
  ControlKind kind;
  const char* name;
  float left, top, width, height;  // twips, within the client area
  int tabIndex;
  std::u16string_view caption;
  FontDef font;
  ImageId image;   // picture boxes
  bool value;      // option buttons: selected at start
};

struct FormDef {
  const char* name;
  std::u16string_view caption;  // the stored caption; never set or shown
  float clientWidth, clientHeight;  // twips
  FontDef font;
  const ControlDef* controls;  // in tab order
  int controlCount;
};

const FormDef& FrmMainDefinition();
const ControlDef& ControlDefinition(ControlId id);

}  // namespace kivora

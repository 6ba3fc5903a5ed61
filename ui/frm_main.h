// FrmMain, the launcher's only window: its event handlers and the three launch
// targets it holds. Everything outside the program goes through the run time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime.h"

namespace kivora {

class FrmMain {
 public:
  explicit FrmMain(Runtime& runtime) : rt_(runtime) {}

  void Form_Load();                                                       // app/
  void Command1_Click();                                                  // launch/
  void Picture1_MouseDown(int16_t button, int16_t shift, float x, float y);  // ui/
  void Picture1_MouseUp(int16_t button, int16_t shift, float x, float y);    // ui/

  // Lines 5 to 7 of the menu file: what "Next" starts for each choice.
  std::u16string LaunchTarget1;
  std::u16string LaunchTarget2;
  std::u16string LaunchTarget3;

 private:
  void LoadMenuFile(const std::u16string& fileName);  // menu/

  Runtime& rt_;
};

}  // namespace kivora

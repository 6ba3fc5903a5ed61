// Starting a program on Windows, and opening a document or an address.
#pragma once

#include <optional>
#include <string>

#include "core/programs.h"

namespace kivora::win32 {

class Win32Programs : public Programs {
 public:
  // Starts the program in a normal, activated window and does not wait for
  // it; its handles are closed at once. A program that asks for elevation is
  // started through the shell, so that Windows asks the user's consent; a
  // "No" there is the user's choice, and no failure. Returns what Windows
  // said when it could not start the program.
  std::optional<SystemError> Start(const Launch& launch) override;

  // Never asked: Windows keeps no permission to run that a copy would add.
  std::optional<SystemError> StartCopy(const Launch& launch) override { return Start(launch); }

  // Opens launch.program, a document or an address, with the application
  // Windows has for it (the shell's "open"); what Windows said when none
  // did.
  std::optional<std::u16string> Open(const Launch& launch) override;

  // Never asked: Windows starts its own programs (Start).
  Handed StartWindowsProgram(const Launch&) override { return Handed::kNoApplication; }
};

}  // namespace kivora::win32

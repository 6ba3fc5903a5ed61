// Starting a program on Windows.
#pragma once

#include "core/system.h"

namespace kivora::win32 {

// Starts the program in a normal, activated window and does not wait for it;
// its handles are closed at once. A program that asks for elevation is
// started through the shell, so that Windows asks the user's consent.
// Throws RuntimeError: 53 no such program, 70 refused, 5 otherwise.
void Start(const Launch& launch);

}  // namespace kivora::win32

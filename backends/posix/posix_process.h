// Starting a program on Linux, without a shell.
#pragma once

#include "core/system.h"

namespace kivora::posix {

// Starts the program with its arguments and does not wait for it. The child
// runs in its own session, with default signal handling, an empty signal
// mask and only descriptors 0, 1 and 2, and is never left a zombie (the
// launcher reaps its children automatically from the first start on).
// The program and its arguments are handed over in the locale's character
// set. Returns its process id. Throws RuntimeError: 53 no such program, 70
// one that may not be run (a folder, no execute permission), 52 a character
// the set cannot write, 5 otherwise.
int Start(const Launch& launch);

}  // namespace kivora::posix

// Program start on Linux, without a shell.
#pragma once

#include <string>

namespace kivora::posix {

// Starts commandLine and returns the child's process id without waiting.
// The program part is found as Windows finds it, never cut inside appPath,
// with "\" read as "/"; the rest is split by the Windows argument rules.
// The child runs in its own session, with default signal handling, only
// descriptors 0, 1 and 2, and is never left a zombie (the launcher reaps its
// children automatically from the first start on). Throws RuntimeError
// 53 (no such program), 70 (may not be run) or 5.
double StartProgram(const std::u16string& commandLine, const std::u16string& appPath);

}  // namespace kivora::posix

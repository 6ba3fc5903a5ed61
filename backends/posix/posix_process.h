// Starting a program on Linux, without a shell, and opening a document or an
// address with the user's application for it.
#pragma once

#include <optional>

#include "core/programs.h"

namespace kivora::posix {

// Starts the program with its arguments and does not wait for it. The child
// runs in the launch's folder, in its own session, with default signal
// handling, an empty signal mask and only descriptors 0, 1 and 2, and is
// never left a zombie (the
// launcher reaps its children automatically from the first start on).
// The program and its arguments are handed over in the locale's character
// set. Returns what the system said when it could not start it. Throws
// RuntimeError 52 for a character the set cannot write.
std::optional<SystemError> Start(const Launch& launch);

class PosixPrograms : public Programs {
 public:
  std::optional<SystemError> Start(const Launch& launch) override { return posix::Start(launch); }
  // The copy lives in $XDG_CACHE_HOME/kivora/run (~/.cache/kivora/run), one
  // for each version of a file, until a later copy finds it a day old.
  std::optional<SystemError> StartCopy(const Launch& launch) override;
  // GIO's default application for the file's type or the address's scheme,
  // as the user's mimeapps.list sets it; a document goes by its path's own
  // bytes.
  std::optional<std::u16string> Open(const Launch& launch) override;
  // GIO's default application for the program's type (a desktop file that
  // takes Windows programs, such as Wine's), started in the launcher's
  // folder. The arguments follow the program in the command line of the
  // desktop file, where it names one file (%f, %u); a list of files (%F,
  // %U) or none takes the program alone, and no arguments.
  Handed StartWindowsProgram(const Launch& launch) override;
};

}  // namespace kivora::posix

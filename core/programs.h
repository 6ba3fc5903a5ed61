// What the program asks of the system to start a program or open a document:
// a launch as the core resolved it from a menu line. Each system's programs
// back end implements Programs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/runtime_error.h"

namespace kivora {

// A program to start, as the program resolved it from its menu line.
struct Launch {
  std::u16string program{};               // the file to start, a path of the system's; or the address
  bool found = false;                     // program names a file that exists
  bool address = false;                   // a web or mail address, for the system to open
  std::u16string argumentLine{};          // the arguments as written, for a system that splits them itself
  std::vector<std::u16string> arguments{};  // split by the Windows C run time's rules, for one that does not
  std::u16string commandLine{};           // the quoted program, then the argument line
  std::u16string shown{};                 // the file as a report shows it, apart from its arguments
  std::u16string folder{};                // the current folder it starts in: the launcher's
};

// What became of a program of another system handed to the application the
// desktop has for such programs.
enum class Handed {
  kStarted,
  kNoApplication,     // the desktop has none, or it could not be started
  kTakesNoArguments,  // the application takes the program but no arguments for it; nothing was started
};

class Programs {
 public:
  virtual ~Programs() = default;
  // Starts a program without waiting for it; what the system said when it
  // could not.
  virtual std::optional<SystemError> Start(const Launch& launch) = 0;
  // Starts a copy of launch.program with the permission to run, made in a
  // folder of the user's where programs may run, in launch.folder as the
  // original would; what the system said when the copy could not be made or
  // started (a full disk, a folder mounted noexec).
  virtual std::optional<SystemError> StartCopy(const Launch& launch) = 0;
  // Opens launch.program, a document or an address, with the application the
  // user's system has for its type, without waiting for it; the system's
  // words when no application did.
  virtual std::optional<std::u16string> Open(const Launch& launch) = 0;
  // Starts launch.program, a Windows program on a system that does not run
  // one itself, with the application the desktop has for Windows programs,
  // handing it launch.arguments too.
  virtual Handed StartWindowsProgram(const Launch& launch) = 0;
};

}  // namespace kivora

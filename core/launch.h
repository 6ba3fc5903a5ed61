// Launching: a menu line and the launcher's folder turned into the program to
// start and its arguments, the same way on every system.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/conventions.h"
#include "core/files.h"
#include "core/programs.h"
#include "core/text.h"

namespace kivora {

// The folder a launch starts from: a root loses its separator ("D:\" becomes
// "D:"), so that exactly one stands between the folder and the target. Any
// other folder is kept as it is.
std::u16string LaunchFolder(std::u16string_view launcherFolder);

// folder, the separator, then name with each "\" in it read as the system's
// separator, so that one menu file serves Windows and Linux. The folder is
// the system's own and is kept whole.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name, char16_t separator);


// Finds the program of a menu line, the launcher's folder kept whole: what
// a pair of double quotes at its start holds, as written; else the longest
// start of the line, cut at a blank, that names a file (with the system's
// program extension added if need be); the rest are its arguments, handed on
// as written. Names are found in any case (see FindPath). When no cut names
// a file, the report names the first cut whose last name has an extension
// ("Setup Files\missing.exe" of "Setup Files\missing.exe /q"), else the
// line up to its first blank; where names that differ only in case were all
// that was found, the report names them instead (error 53). A program whose
// path no file system of the system could hold, or a target with a NUL in
// it, is error 52, and is never handed to the system. A target that begins
// with "http://", "https://" or "mailto:" is an address, and is not looked
// for in the folder. What the launcher would raise is given back, with
// whether the program was found only with case ignored. A report names the
// file apart from its arguments, as a person reads its path; whoever shows
// it puts where the line stands before it ("D:\Kivora.ini, line 6").
struct Resolution {
  Launch launch;
  bool caseDiffers = false;
  std::optional<RuntimeError> refused;
};
Resolution Resolve(std::u16string_view launcherFolder, std::u16string_view target, const Conventions& conventions,
                   const FileLookup& files);

// A menu line's target looked for by its text, and where that finds no
// program, by the line's own bytes (a file named on a system of another
// character set); what the text found, or failed to find, otherwise.
Resolution Resolve(std::u16string_view launcherFolder, const TextLine& target, const Conventions& conventions,
                   const FileLookup& files);

}  // namespace kivora

// Finding a file by the name a menu gives it, on a system that compares names
// with case or without. A menu written on Windows names "Setup\Setup.exe";
// a disc's plain ISO 9660 names are mounted on Linux as "setup/setup.exe",
// and Joliet or Rock Ridge keep the case of the author's files, which need
// not be the menu's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/conventions.h"
#include "core/files.h"
#include "core/runtime_error.h"

namespace kivora {

// A character as it compares when case is ignored: Unicode's simple case
// folding, one character to one.
char32_t FoldedCase(char32_t c);

// Whether two names are the same when case is ignored.
bool SameIgnoringCase(std::u16string_view a, std::u16string_view b);

// A name as Windows lists it from an ISO 9660 disc (and as the launcher
// finds it elsewhere): without its version (";1") and the dot that ends a
// name without an extension ("SETUP.;1"); other names as they are.
std::u16string_view WithoutVersion(std::u16string_view name);

struct Found {
  std::u16string path;              // as found, or as written when nothing is
  FileKind kind = FileKind::kNone;  // what the path names
  bool caseDiffers = false;         // found only with case ignored (a version aside)
  std::vector<std::u16string> alike;  // the names that differ from a part only in case, when two or more do
};

// folder, then name with each "\" in it read as the system's separator (see
// JoinPath). Each part of name is taken as written where it exists; on a
// system that finds a name only in its own case, a part that does not exist
// as written is the one name in its folder that differs from it only in
// case, or by an ISO 9660 version (";1": "KIVORA.INI;1" for Kivora.ini),
// and where two or more do (and none exactly), nothing is found and alike
// names them. The folder is the system's own and is kept whole.
Found FindPath(std::u16string_view folder, std::u16string_view name, const Conventions& conventions,
               const FileLookup& files);

// A path as a person reads it: a separator that follows another is left out
// (a drive root joined to a name, "D:\\Kivora.ini", shows as
// "D:\Kivora.ini"), but for the two that begin a network path.
std::u16string ShownPath(std::u16string_view path, char16_t separator);

// Error 53 for a name that found only names that differ from it in case.
RuntimeError NamesAlike(const std::u16string& shown, const std::vector<std::u16string>& alike);

}  // namespace kivora

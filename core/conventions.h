// The facts of each system that the program's rules take into account, for
// both systems in every build: a launcher follows its own system's, and a
// check of a menu tells what the other system will do with it too.
#pragma once

#include <cstddef>
#include <string_view>

namespace kivora {

struct Conventions {
  char16_t separator;                    // between folders in a path
  bool seesHidden;                       // the launcher does not see a file marked hidden or system (Windows;
                                         // Linux shows a FAT medium's mark, and its launcher reads such a menu)
  std::u16string_view programExtension;  // also tried after a program's name
  size_t longestName;                    // characters in one part of a path
  size_t longestPath;                    // characters in a whole path
  bool findsAnyCase;                     // the system finds a name whatever its case
  bool runsByHeader;                     // a file runs by what its first bytes are (an ELF program, a "#!"
                                         // script), and only with a permission to run
};

// 255 characters a name on every Windows file system, and 259 a whole path
// (MAX_PATH less its NUL): Kivora.exe does not declare itself aware of longer
// paths, and Windows refuses them to a program that does not.
inline constexpr Conventions kWindowsConventions{u'\\', true, u".exe", 255, 259, true, false};

// NAME_MAX and PATH_MAX less its NUL. They count bytes: a name longer in
// UTF-8 or the locale's set is refused by the system itself (ENAMETOOLONG).
inline constexpr Conventions kLinuxConventions{u'/', false, u"", 255, 4095, false, true};

}  // namespace kivora

// The facts of each system that the program's rules take into account, for
// both systems in every build: a launcher follows its own system's, and a
// check of a menu tells what the other system will do with it too.
#pragma once

#include <cstddef>
#include <string_view>

namespace kivora {

struct Conventions;
struct FileFacts;
struct FileHead;
struct Launch;
struct LaunchPlan;
enum class RunPermission;

// How each system starts a file it found (core/launch_plan.cpp).
using Planner = LaunchPlan (*)(const Launch& launch, const Conventions& conventions, RunPermission permission,
                               const FileHead& head, const FileFacts& files);
LaunchPlan PlanOnWindows(const Launch&, const Conventions&, RunPermission, const FileHead&, const FileFacts&);
LaunchPlan PlanOnLinux(const Launch&, const Conventions&, RunPermission, const FileHead&, const FileFacts&);

struct Conventions {
  char16_t separator;                    // between folders in a path
  bool seesHidden;                       // the launcher does not see a file marked hidden or system (Windows;
                                         // Linux shows a FAT medium's mark, and its launcher reads such a menu)
  std::u16string_view programExtension;  // also tried after a program's name
  size_t longestName;                    // characters in one part of a path
  size_t longestPath;                    // characters in a whole path
  bool findsAnyCase;                     // the system finds a name whatever its case
  // What starts a file found: Windows by its name or header, Linux by its
  // header and permission. Named here so that a launcher for one system
  // carries only its own rules.
  Planner plan;
};

// 255 characters a name on every Windows file system, and 259 a whole path
// (MAX_PATH less its NUL): Kivora.exe does not declare itself aware of longer
// paths, and Windows refuses them to a program that does not.
inline constexpr Conventions kWindowsConventions{.separator = u'\\',
                                                 .seesHidden = true,
                                                 .programExtension = u".exe",
                                                 .longestName = 255,
                                                 .longestPath = 259,
                                                 .findsAnyCase = true,
                                                 .plan = PlanOnWindows};

// NAME_MAX and PATH_MAX less its NUL. They count bytes: a name longer in
// UTF-8 or the locale's set is refused by the system itself (ENAMETOOLONG).
inline constexpr Conventions kLinuxConventions{.separator = u'/',
                                               .seesHidden = false,
                                               .programExtension = u"",
                                               .longestName = 255,
                                               .longestPath = 4095,
                                               .findsAnyCase = false,
                                               .plan = PlanOnLinux};

}  // namespace kivora

// What "Next" does with a menu line on a system, decided once: the launcher
// carries it out, the menu check prints it. A program started as it is, a
// script through its interpreter or a program through the system's loader
// where the medium keeps no execute permission, a document or an address
// opened, a Windows program handed to the desktop's application for it, or
// a report of why nothing can start it.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/conventions.h"
#include "core/files.h"
#include "core/programs.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora {

struct LaunchPlan {
  enum Step {
    kStart,                // start launch
    kStartCopy,            // start a copy of it with the permission to run (see Programs::StartCopy)
    kOpen,                 // open it with the user's application for its type
    kStartWindowsProgram,  // hand it, with its arguments, to the desktop's application for Windows programs
  };
  Step step = kStart;
  // What to start: the launch as resolved, or for a file without execute
  // permission its interpreter or loader, with the file's path as the first
  // of the arguments (before those of the menu line).
  Launch launch;
  // For kStart: what to do instead when the system says the file is no
  // program it runs; nothing for a program or script, which is never opened
  // as a document.
  std::optional<Step> ifNoProgram;
  std::optional<RuntimeError> refused;  // why nothing is started: the report
  // How it started: "" as it is, else through what (the interpreter or the
  // loader), for the check to tell.
  std::u16string through;
  // For kStartCopy: why the file needs a copy, as a report begins where
  // none can be made, and what its author can do then (what fits its
  // medium).
  std::u16string whyCopy, advice;
  // For a Windows program: the machine its PE header names (0x14c x86,
  // 0x8664 x64, 0xaa64 ARM64), for the check to tell where it runs.
  unsigned peMachine = 0;
  // For kStartWindowsProgram: the reports where the desktop has no
  // application for it, and where its application takes no arguments.
  std::array<std::u16string, 2> ifNotHanded;
  // The menu line as resolved, before any interpreter: the file it names
  // and its own arguments; and whether the file was found only with case or
  // an ISO version ignored (the launcher finds it so; the check notes it).
  Launch resolved;
  bool caseDiffers = false;
};

// The decision: the target of a menu line resolved in the launcher's folder
// (core/launch.h), then planned from what the file is. The split between
// program and document comes from the file itself: on Linux an ELF, "#!" or
// "MZ" header; on Windows what CreateProcess runs (.exe, .com, .bat, .cmd, or
// an "MZ" header). A target that names no file is a report: 70 for a folder,
// 53 otherwise, naming the line as the launcher's folder completes it; one
// the system cannot read is 57.
//
// On Linux a program or script without the permission to run (a medium that
// keeps none: Joliet, FAT, UDF) starts as it would with it: a script through
// its interpreter and an ELF program through its loader, so that what lies
// beside it is found as before; but a file that carries its own payload (an
// ELF program longer than its headers say, a script followed by data: the
// self-extracting installers) or an ELF program that names no loader cannot
// work so, and runs from a copy with the permission (kStartCopy). A program
// for a machine whose loader the system lacks is named as such.
// An editing slip is named as such: an empty line, a line that begins with
// a blank. A report is shown after where its line stands ("D:\Kivora.ini,
// line 6: ").
LaunchPlan Decide(std::u16string_view launcherFolder, const TextLine& target, const Conventions& conventions,
                  const FileFacts& files);

// The rule, from what the system says of the file launch.program names: its
// permission to run and its head (first and last bytes, size, medium); files
// answers whether a loader is there and decodes bytes of a name.
LaunchPlan PlanLaunch(const Launch& launch, const Conventions& conventions, RunPermission permission,
                      const FileHead& head, const FileFacts& files);


// Error 75, nothing started: the launcher's folder is not there any more.
RuntimeError FolderGone(const std::u16string& folder);

}  // namespace kivora

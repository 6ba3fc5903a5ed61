// How "Next" carries out a launch on the system it runs on: a program
// started as it is, a script through its interpreter or a program through
// the system's loader where the medium keeps no execute permission, a
// document opened, a Windows program handed to the desktop's application for
// it, or a report of why nothing can start it. The menu check tells the same.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/conventions.h"
#include "core/files.h"
#include "core/programs.h"
#include "core/runtime_error.h"

namespace kivora {

// How many of a file's first bytes the plan reads: a script's first line (the
// system reads at most 256 bytes of it) and an ELF program's headers up to
// the name of its loader.
constexpr size_t kHeaderBytes = 4096;

struct LaunchPlan {
  enum Step {
    kStart,                // start launch
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
};

// The rule, from what the system says of the file launch.program names: its
// permission to run and its first bytes (up to kHeaderBytes). decode turns
// bytes of a name into text, as the system's names are decoded.
LaunchPlan PlanLaunch(const Launch& launch, const Conventions& conventions, RunPermission permission,
                      std::string_view firstBytes, const std::function<std::u16string(std::string_view)>& decode);

// The same, asking files about launch.program.
LaunchPlan PlanLaunch(const Launch& launch, const Conventions& conventions, Files& files);

// Error 75, nothing started: the launcher's folder is not there any more.
RuntimeError FolderGone(const std::u16string& folder);

}  // namespace kivora

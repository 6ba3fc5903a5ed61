#include "core/launch_plan.h"

#include <algorithm>
#include <cstdint>

#include "core/launch.h"
#include "core/names.h"
#include "core/text.h"

namespace kivora {

namespace {

enum class Format { kElf, kScript, kWindows, kOther };

Format FormatOf(std::string_view bytes) {
  if (bytes.substr(0, 4) == "\x7f" "ELF") return Format::kElf;
  if (bytes.substr(0, 2) == "#!") return Format::kScript;
  if (bytes.substr(0, 2) == "MZ") return Format::kWindows;
  return Format::kOther;
}

// An unsigned number of size bytes at offset, in the byte order of the ELF
// file; nothing when the bytes read do not reach it.
std::optional<uint64_t> Number(std::string_view bytes, uint64_t offset, size_t size, bool bigEndian) {
  if (offset > bytes.size() || bytes.size() - offset < size) return std::nullopt;
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) {
    uint64_t byte = static_cast<unsigned char>(bytes[size_t(offset) + (bigEndian ? i : size - 1 - i)]);
    value = value << 8 | byte;
  }
  return value;
}

// What an ELF program's headers say: the loader it names (its PT_INTERP), ""
// for a program linked statically; the machine it is for; and where its
// last header or segment ends, past which its file holds nothing a loader
// maps. valid is false where the headers lie beyond the bytes read.
struct ElfHeaders {
  bool valid = false;
  std::string loader;
  unsigned machine = 0;
  bool wide = false;
  uint64_t extent = 0;
};

ElfHeaders HeadersOf(std::string_view elf) {
  ElfHeaders headers;
  if (elf.size() < 6 || (elf[4] != 1 && elf[4] != 2)) return headers;
  const bool wide = elf[4] == 2, bigEndian = elf[5] == 2;
  const size_t word = wide ? 8 : 4;
  auto machine = Number(elf, 0x12, 2, bigEndian);
  auto table = Number(elf, wide ? 0x20 : 0x1c, word, bigEndian);
  auto sections = Number(elf, wide ? 0x28 : 0x20, word, bigEndian);
  auto entrySize = Number(elf, wide ? 0x36 : 0x2a, 2, bigEndian);
  auto entries = Number(elf, wide ? 0x38 : 0x2c, 2, bigEndian);
  auto sectionSize = Number(elf, wide ? 0x3a : 0x2e, 2, bigEndian);
  auto sectionCount = Number(elf, wide ? 0x3c : 0x30, 2, bigEndian);
  if (!machine || !table || !sections || !entrySize || !entries || !sectionSize || !sectionCount) return headers;
  headers.machine = unsigned(*machine);
  headers.wide = wide;
  headers.extent = std::max(*table + *entries * *entrySize, *sections + *sectionCount * *sectionSize);
  for (uint64_t i = 0; i < *entries; ++i) {
    uint64_t entry = *table + i * *entrySize;
    auto type = Number(elf, entry, 4, bigEndian);
    auto offset = Number(elf, entry + (wide ? 8 : 4), word, bigEndian);
    auto size = Number(elf, entry + (wide ? 32 : 16), word, bigEndian);
    if (!type || !offset || !size) return headers;
    headers.extent = std::max(headers.extent, *offset + *size);
    if (*type != 3) continue;  // PT_INTERP
    if (*offset > elf.size() || elf.size() - *offset < *size) return headers;
    std::string_view name = elf.substr(size_t(*offset), size_t(*size));
    headers.loader = std::string(name.substr(0, name.find('\0')));
  }
  headers.valid = true;
  return headers;
}

// The machine an ELF program is for, as its users name it.
std::u16string MachineName(const ElfHeaders& elf) {
  switch (elf.machine) {
    case 3: return u"32-bit x86";
    case 62: return u"64-bit x86";
    case 40: return u"32-bit ARM";
    case 183: return u"64-bit ARM";
    case 243: return elf.wide ? u"64-bit RISC-V" : u"32-bit RISC-V";
    case 8: return u"MIPS";
    case 20: return u"32-bit PowerPC";
    case 21: return u"64-bit PowerPC";
    case 22: return u"IBM Z";
    case 258: return u"LoongArch";
  }
  return u"machine " + Utf8ToUtf16(std::to_string(elf.machine));
}

// The machine a Windows program's PE header names (IMAGE_FILE_MACHINE_*);
// nothing for an "MZ" file without one: damaged, or for DOS.
std::optional<unsigned> PeMachine(std::string_view bytes) {
  auto peAt = Number(bytes, 0x3c, 4, false);
  if (!peAt || *peAt > bytes.size() || bytes.size() - *peAt < 6 ||
      bytes.substr(size_t(*peAt), 4) != std::string_view("PE\0\0", 4))
    return std::nullopt;
  return unsigned(*Number(bytes, *peAt + 4, 2, false));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// What CreateProcess starts by its name: a program, or a batch file for cmd.
bool IsWindowsProgramName(std::u16string_view path) {
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos || path.find_first_of(u"\\/", dot) != std::u16string_view::npos) return false;
  for (const char16_t* program : {u".exe", u".com", u".bat", u".cmd"})
    if (SameIgnoringCase(path.substr(dot), program)) return true;
  return false;
}

// A script's first line as the system reads it: "#!", the interpreter, and
// at most one argument, the rest of the line.
struct FirstLine {
  std::string interpreter, argument;
  bool endsInCr = false;
};

FirstLine FirstLineOf(std::string_view script) {
  std::string_view line = script.substr(2, std::min(script.find('\n'), size_t(256)) - 2);
  line = line.substr(0, line.find('\0'));  // the system's name of the interpreter ends at a NUL
  FirstLine first;
  first.endsInCr = !line.empty() && line.back() == '\r';
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  size_t end = start;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  first.interpreter = std::string(line.substr(start, end - start));
  size_t last = line.size();
  while (last > end && IsBlank(line[last - 1])) --last;
  while (end < last && IsBlank(line[end])) ++end;
  first.argument = std::string(line.substr(end, last - end));
  return first;
}

// launch started by another program, the file's path first among the
// arguments.
Launch Through(const Launch& launch, std::u16string program, std::optional<std::u16string> argument) {
  Launch through = launch;
  through.program = std::move(program);
  through.arguments.clear();
  if (argument) through.arguments.push_back(*argument);
  through.arguments.push_back(launch.program);
  through.arguments.insert(through.arguments.end(), launch.arguments.begin(), launch.arguments.end());
  return through;
}

// A plan of one step; through names what starts the file, if not itself.
LaunchPlan Planned(LaunchPlan::Step step, Launch launch, std::optional<LaunchPlan::Step> ifNoProgram = std::nullopt,
                   std::u16string through = u"") {
  LaunchPlan plan;
  plan.step = step;
  plan.launch = std::move(launch);
  plan.ifNoProgram = ifNoProgram;
  plan.through = std::move(through);
  return plan;
}

LaunchPlan Refused(const Launch& launch, int number, const std::u16string& why) {
  LaunchPlan plan = Planned(LaunchPlan::kStart, launch);
  plan.refused = RuntimeError(number, launch.shown + u": " + why);
  return plan;
}

// What starts a program that reads or re-runs itself from a medium that
// keeps no permission to run: a copy that has it.
LaunchPlan Copied(const Launch& launch, std::u16string why, const FileHead& head) {
  LaunchPlan plan = Planned(LaunchPlan::kStartCopy, launch);
  plan.whyCopy = std::move(why) + u", which runs from a copy with the permission to run; the copy could not be made or "
                                  u"started";
  plan.advice = head.readOnlyMedium
                    ? u"burn the disc with Rock Ridge (xorriso -as mkisofs -r -J), which keeps the permission"
                    : u"copy it to a folder of your own and run it from there, or give it the permission (chmod +x)";
  return plan;
}

// A Windows program handed to the desktop's application for such programs,
// with the reports where no application takes it, or not its arguments.
LaunchPlan HandedOver(LaunchPlan plan) {
  plan.ifNotHanded = {u"a Windows program; this system has no application that runs it",
                      u"a Windows program; the application this system has for them takes no arguments for it, so it "
                      u"was not started"};
  return plan;
}

// Whether a script is followed by data of its own (a self-extracting
// archive): text holds no NUL.
bool CarriesData(const FileHead& head) { return head.last.find('\0') != std::string::npos; }

// cmd's characters that act outside quotes in a batch file's command line,
// and % that acts even inside them: "" where the arguments hold none.
std::u16string CmdSpecial(std::u16string_view arguments) {
  bool quoted = false;
  for (char16_t c : arguments) {
    if (c == u'"') quoted = !quoted;
    if (c == u'%' || (!quoted && std::u16string_view(u"&|<>^").find(c) != std::u16string_view::npos))
      return std::u16string(1, c);
  }
  return u"";
}

bool IsBatchName(std::u16string_view path) {
  size_t dot = path.rfind(u'.');
  return dot != std::u16string_view::npos && (SameIgnoringCase(path.substr(dot), u".bat") || SameIgnoringCase(path.substr(dot), u".cmd"));
}

}  // namespace

// Windows: what CreateProcess runs, by its name or its header, is started;
// anything else is opened.
LaunchPlan PlanOnWindows(const Launch& launch, const Conventions&, RunPermission, const FileHead& head,
                         const FileFacts&) {
  const Format format = FormatOf(head.first);
  const std::optional<unsigned> machine = PeMachine(head.first);
  // A PE header beyond the bytes read (a file whose DOS part is long) is
  // Windows' to judge.
  const bool beyond = head.size > head.first.size() && Number(head.first, 0x3c, 4, false) >= head.first.size() - 6;
  if (format == Format::kWindows && !machine && !beyond)
    return Refused(launch, kErrInvalidCall, u"not a program Windows runs: it has no PE header (a damaged file, or one for DOS)");
  if (IsBatchName(launch.program)) {
    std::u16string special = CmdSpecial(launch.argumentLine);
    if (!special.empty())
      return Refused(launch, kErrInvalidCall,
                     u"a batch file given " + special + u", which cmd acts on: put the argument in double quotes (a % "
                                                        u"cannot be)");
  }
  const bool program = format == Format::kWindows || IsWindowsProgramName(launch.program);
  LaunchPlan plan = Planned(program ? LaunchPlan::kStart : LaunchPlan::kOpen, launch);
  plan.peMachine = machine.value_or(0);
  return plan;
}

// Linux: a file runs by its header, and how by its permission to run.
LaunchPlan PlanOnLinux(const Launch& launch, const Conventions&, RunPermission permission, const FileHead& head,
                       const FileFacts& files) {
  const std::string_view bytes = head.first;
  const Format format = FormatOf(bytes);
  if (format == Format::kOther) return Planned(LaunchPlan::kOpen, launch);
  if (permission == RunPermission::kMediumForbids)
    return Refused(launch, kErrPermissionDenied,
                   u"this system does not allow programs to run from the medium it is on (it is mounted noexec)");
  switch (format) {
    case Format::kScript: {
      FirstLine first = FirstLineOf(bytes);
      if (first.endsInCr)
        return Refused(launch, kErrInvalidCall,
                       u"the script's first line ends with a carriage return (saved on Windows): save it with LF "
                       u"line ends");
      if (permission == RunPermission::kYes) return Planned(LaunchPlan::kStart, launch);
      if (CarriesData(head))
        return Copied(launch, u"a script followed by data of its own (a self-extracting archive), which reads and "
                              u"re-runs itself",
                      head);
      if (first.interpreter.empty()) return Refused(launch, kErrInvalidCall, u"the script's first line names no interpreter");
      std::u16string interpreter = files.decode(first.interpreter);
      std::optional<std::u16string> argument;
      if (!first.argument.empty()) argument = files.decode(first.argument);
      return Planned(LaunchPlan::kStart, Through(launch, interpreter, argument), std::nullopt, interpreter);
    }
    case Format::kElf: {
      const ElfHeaders elf = HeadersOf(bytes);
      if (elf.valid && !elf.loader.empty() && !files.systemHas(files.decode(elf.loader)))
        return Refused(launch, kErrPermissionDenied,
                       u"a program for " + MachineName(elf) + u" Linux: this system cannot run it (it has no " +
                           files.decode(elf.loader) + u")");
      if (permission == RunPermission::kYes) return Planned(LaunchPlan::kStart, launch);
      if (!elf.valid || elf.loader.empty())
        return Copied(launch, u"a program that names no loader (linked statically)", head);
      if (head.size > elf.extent)
        return Copied(launch, u"a program followed by data of its own, which it reads from its own file", head);
      std::u16string through = files.decode(elf.loader);
      return Planned(LaunchPlan::kStart, Through(launch, through, std::nullopt), std::nullopt, through);
    }
    default:
      // A Windows program: the system may run it itself (a handler for its
      // format), else the desktop's application for such programs does.
      if (permission == RunPermission::kYes)
        return HandedOver(Planned(LaunchPlan::kStart, launch, LaunchPlan::kStartWindowsProgram));
      return HandedOver(Planned(LaunchPlan::kStartWindowsProgram, launch));
  }
}

LaunchPlan PlanLaunch(const Launch& launch, const Conventions& conventions, RunPermission permission,
                      const FileHead& head, const FileFacts& files) {
  if (launch.address) return Planned(LaunchPlan::kOpen, launch);
  return conventions.plan(launch, conventions, permission, head, files);
}

LaunchPlan Decide(std::u16string_view launcherFolder, const TextLine& target, const Conventions& conventions,
                  const FileFacts& files) {
  Resolution resolution = Resolve(launcherFolder, target, conventions, files.lookup);
  const Launch& launch = resolution.launch;
  const bool blankFirst = !target.text.empty() && (target.text[0] == u' ' || target.text[0] == u'\t');
  LaunchPlan plan = Planned(LaunchPlan::kStart, launch);
  if (resolution.refused) {
    plan.refused = resolution.refused;
  } else if (!launch.found && !launch.address && (target.text.empty() || blankFirst)) {
    plan.refused = RuntimeError(kErrPermissionDenied, target.text.empty()
                                                          ? u"the line is empty: it names no program to start"
                                                          : u"the line begins with a blank, which is taken as the "
                                                            u"name of a program: remove it");
  } else if (!launch.found && !launch.address) {
    bool folder = files.lookup.probe(launch.program) == FileKind::kFolder;
    plan = folder ? Refused(launch, kErrPermissionDenied, u"a folder, not a program")
                  : Refused(launch, kErrFileNotFound, u"no such file");
  } else if (launch.address) {
    plan = PlanLaunch(launch, conventions, RunPermission::kYes, {}, files);
  } else if (FileHead head = files.head(launch.program); head.unreadable) {
    // What cannot be read is not guessed at: neither started nor opened.
    plan.refused = SystemFailure(Action::kRead, head.unreadable->code, launch.shown,
                                 u"the system cannot read it: " + head.unreadable->text);
  } else {
    plan = PlanLaunch(launch, conventions, files.mayRun(launch.program), head, files);
  }
  plan.resolved = launch;
  plan.caseDiffers = resolution.caseDiffers;
  return plan;
}

RuntimeError FolderGone(const std::u16string& folder) {
  return RuntimeError(kErrPathAccess, folder + u": the disc or folder the launcher was started from is no longer there");
}

}  // namespace kivora

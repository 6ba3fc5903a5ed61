#include "core/launch_plan.h"

#include <cstdint>

#include "core/launch.h"
#include "core/names.h"

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

// The loader an ELF program names (its PT_INTERP), or "" for a program that
// names none (linked statically) or whose headers lie beyond the bytes read.
std::string LoaderOf(std::string_view elf) {
  if (elf.size() < 6 || (elf[4] != 1 && elf[4] != 2)) return "";
  const bool wide = elf[4] == 2, bigEndian = elf[5] == 2;
  const size_t word = wide ? 8 : 4;
  auto table = Number(elf, wide ? 0x20 : 0x1c, word, bigEndian);
  auto entrySize = Number(elf, wide ? 0x36 : 0x2a, 2, bigEndian);
  auto entries = Number(elf, wide ? 0x38 : 0x2c, 2, bigEndian);
  if (!table || !entrySize || !entries) return "";
  for (uint64_t i = 0; i < *entries; ++i) {
    uint64_t entry = *table + i * *entrySize;
    if (Number(elf, entry, 4, bigEndian) != 3u) continue;  // PT_INTERP
    auto offset = Number(elf, entry + (wide ? 8 : 4), word, bigEndian);
    auto size = Number(elf, entry + (wide ? 32 : 16), word, bigEndian);
    if (!offset || !size || *offset > elf.size() || elf.size() - *offset < *size) return "";
    std::string_view name = elf.substr(size_t(*offset), size_t(*size));
    return std::string(name.substr(0, name.find('\0')));
  }
  return "";
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

}  // namespace

LaunchPlan PlanLaunch(const Launch& launch, const Conventions& conventions, RunPermission permission,
                      std::string_view firstBytes, const std::function<std::u16string(std::string_view)>& decode) {
  const LaunchPlan open = Planned(LaunchPlan::kOpen, launch);
  if (launch.address) return open;
  const Format format = FormatOf(firstBytes);
  if (!conventions.runsByHeader)
    return format == Format::kWindows || IsWindowsProgramName(launch.program)
               ? Planned(LaunchPlan::kStart, launch)
               : open;
  if (format == Format::kOther) return open;
  if (permission == RunPermission::kMediumForbids)
    return Refused(launch, kErrPermissionDenied,
                   u"this system does not allow programs to run from the medium it is on (it is mounted noexec)");
  switch (format) {
    case Format::kScript: {
      FirstLine first = FirstLineOf(firstBytes);
      if (first.endsInCr)
        return Refused(launch, kErrInvalidCall,
                       u"the script's first line ends with a carriage return (saved on Windows): save it with LF "
                       u"line ends");
      if (permission == RunPermission::kYes) return Planned(LaunchPlan::kStart, launch);
      if (first.interpreter.empty()) return Refused(launch, kErrInvalidCall, u"the script's first line names no interpreter");
      std::u16string interpreter = decode(first.interpreter);
      std::optional<std::u16string> argument;
      if (!first.argument.empty()) argument = decode(first.argument);
      return Planned(LaunchPlan::kStart, Through(launch, interpreter, argument), std::nullopt, interpreter);
    }
    case Format::kElf: {
      if (permission == RunPermission::kYes) return Planned(LaunchPlan::kStart, launch);
      std::string loader = LoaderOf(firstBytes);
      if (loader.empty())
        return Refused(launch, kErrPermissionDenied,
                       u"a program without execute permission, which the disc's format does not keep: burn the disc "
                       u"with Rock Ridge (xorriso -as mkisofs -r -J), which keeps it");
      std::u16string through = decode(loader);
      return Planned(LaunchPlan::kStart, Through(launch, through, std::nullopt), std::nullopt, through);
    }
    default:
      // A Windows program: the system may run it itself (a handler for its
      // format), else the desktop's application for such programs does.
      if (permission == RunPermission::kYes)
        return Planned(LaunchPlan::kStart, launch, LaunchPlan::kStartWindowsProgram);
      return Planned(LaunchPlan::kStartWindowsProgram, launch);
  }
}

LaunchPlan Decide(std::u16string_view launcherFolder, const TextLine& target, const Conventions& conventions,
                  const FileFacts& files) {
  Resolution resolution = Resolve(launcherFolder, target, conventions, files.lookup);
  const Launch& launch = resolution.launch;
  LaunchPlan plan;
  if (resolution.refused) {
    plan = Planned(LaunchPlan::kStart, launch);
    plan.refused = resolution.refused;
  } else if (!launch.found && !launch.address) {
    bool folder = files.lookup.probe(launch.program) == FileKind::kFolder;
    plan = folder ? Refused(launch, kErrPermissionDenied, u"a folder, not a program")
                  : Refused(launch, kErrFileNotFound, u"no such file");
  } else if (launch.address) {
    plan = PlanLaunch(launch, conventions, RunPermission::kYes, "", files.decode);
  } else {
    plan = PlanLaunch(launch, conventions, files.mayRun(launch.program), files.firstBytes(launch.program, kHeaderBytes),
                      files.decode);
  }
  plan.resolved = launch;
  plan.caseDiffers = resolution.caseDiffers;
  return plan;
}

RuntimeError FolderGone(const std::u16string& folder) {
  return RuntimeError(kErrPathAccess, folder + u": the disc or folder the launcher was started from is no longer there");
}

}  // namespace kivora

#include "core/check.h"

#include <algorithm>

#include "core/form.h"
#include "core/launch.h"
#include "core/launch_plan.h"
#include "core/menu_file.h"
#include "core/names.h"
#include "core/text.h"

namespace kivora {

namespace {

constexpr size_t kJolietName = 64;    // characters a Joliet name keeps

std::u16string Number(size_t n) { return Utf8ToUtf16(std::to_string(n)); }

// One system as the check sees the disc from it: the launcher at the root.
struct SystemSeen {
  const char16_t* name;
  Conventions rules;
  const char16_t* root;
};
const SystemSeen kSystems[] = {{u"Windows", kWindowsConventions, u"D:\\"},
                               {u"Linux", kLinuxConventions, u"/media/disc"}};

// The folder being checked as a system sees it: paths of that system's form
// under its root, each name found in the checked folder by that system's
// rule of case, whatever the rule of the system the check runs on.
class View {
 public:
  View(const SystemSeen& seen, std::u16string folder, Files& files)
      : seen_(seen), prefix_(LaunchFolder(seen.root)), folder_(std::move(folder)), files_(files) {}

  // The path in the checked folder of a path of the view; "" for none.
  std::u16string Host(const std::u16string& path) const {
    if (path.compare(0, prefix_.size(), prefix_) != 0) return u"";
    std::u16string host = folder_;
    const char16_t separator = files_.conventions().separator;
    std::u16string_view rest = std::u16string_view(path).substr(prefix_.size());
    for (size_t start = 0; start < rest.size();) {
      // Windows takes "/" between folders too.
      size_t end = std::min(rest.find_first_of(seen_.rules.findsAnyCase ? u"\\/" : u"/", start), rest.size());
      std::u16string part(rest.substr(start, end - start));
      start = end + 1;
      if (part.empty()) continue;
      if (part != u"." && part != u"..") {
        std::vector<std::u16string> names = files_.ListFolder(host);
        std::sort(names.begin(), names.end());
        auto match = std::find(names.begin(), names.end(), part);
        // Windows finds a name in any case, and lists an ISO 9660 disc's
        // names without their version (";1").
        if (match == names.end() && seen_.rules.findsAnyCase)
          match = std::find_if(names.begin(), names.end(),
                               [&](const auto& n) { return SameIgnoringCase(WithoutVersion(n), part); });
        if (match == names.end()) return u"";
        part = *match;
      }
      host += separator + part;
    }
    return host;
  }

  FileLookup Lookup() const {
    return {[this](const std::u16string& path) {
              std::u16string host = Host(path);
              return host.empty() ? FileKind::kNone : files_.Probe(host);
            },
            [this](const std::u16string& path) {
              std::u16string host = Host(path);
              return host.empty() ? std::vector<std::u16string>{} : files_.ListFolder(host);
            }};
  }

  // What the decision asks, of the disc as this system will see it. Seen
  // from Windows, the execute bit a file will have on the disc is not
  // known: the Linux launcher then runs a script or a program either way,
  // through its interpreter or the loader.
  FileFacts Facts(bool hostIsSeen) const {
    auto mayRun = [this, hostIsSeen](const std::u16string& path) {
      if (seen_.rules.findsAnyCase) return RunPermission::kYes;
      return hostIsSeen ? files_.MayRun(Host(path)) : RunPermission::kNoExecuteBit;
    };
    auto head = [this](const std::u16string& path) { return files_.Head(Host(path)); };
    // A loader is the system's own: one checked on Linux is looked for here;
    // seen from Windows, which Linux will run the disc is not known.
    auto systemHas = [this, hostIsSeen](const std::u16string& path) {
      return !hostIsSeen || IsFile(files_.Probe(path));
    };
    return {Lookup(), mayRun, head, systemHas, [this](std::string_view bytes) { return files_.Decode(bytes); }};
  }

  // A path of the view as it is written relative to the launcher's folder.
  std::u16string Relative(const std::u16string& path) const {
    return path.compare(0, prefix_.size() + 1, prefix_ + seen_.rules.separator) == 0 ? path.substr(prefix_.size() + 1)
                                                                                      : path;
  }

 private:
  const SystemSeen& seen_;
  std::u16string prefix_;
  std::u16string folder_;
  Files& files_;
};

// The problems found, each for one system or both: what will fail, or act
// otherwise than the author meant. A note tells of what the launcher
// handles by itself (a name in another case); it is printed, not counted.
class Problems {
 public:
  void Add(size_t line, const char16_t* system, std::u16string what) { Put(line, system, std::move(what), false); }
  void Note(size_t line, const char16_t* system, std::u16string what) { Put(line, system, std::move(what), true); }
  // Those of the lines in [first, last], in the order found, as printed.
  void Print(size_t first, size_t last, std::vector<std::u16string>& out) const {
    for (const Problem& p : problems_)
      if (p.line >= first && p.line <= last)
        out.push_back(u"  line " + Number(p.line) + u", " + p.system + (p.note ? u", note: " : u": ") + p.what);
  }
  size_t size() const { return Count(false); }
  size_t notes() const { return Count(true); }

 private:
  struct Problem {
    size_t line;
    std::u16string system;
    std::u16string what;
    bool note;
  };
  // The same for both systems is said once, for both.
  void Put(size_t line, const char16_t* system, std::u16string what, bool note) {
    for (Problem& p : problems_)
      if (p.line == line && p.what == what && p.note == note) {
        if (p.system != system) p.system = u"both";
        return;
      }
    problems_.push_back({line, system, std::move(what), note});
  }
  size_t Count(bool note) const {
    return size_t(std::count_if(problems_.begin(), problems_.end(), [&](const Problem& p) { return p.note == note; }));
  }
  std::vector<Problem> problems_;
};

// How both launchers read the menu's text, and what that means for it.
std::u16string ReadingLine(Reading reading, Files& files) {
  switch (reading) {
    case Reading::kAscii: return u"Read as ASCII, the same on every system.";
    case Reading::kMarkedUtf8: return u"Read as UTF-8, as its byte-order mark says, on both systems.";
    case Reading::kMarkedUtf16: return u"Read as UTF-16, as its byte-order mark says, on both systems.";
    case Reading::kUtf8: return u"Read as UTF-8 (every line is UTF-8), on both systems.";
    case Reading::kAnsi: break;
  }
  return u"Read in a Windows code page: Windows reads it in its ANSI code page, Linux in the Windows page of its "
         u"locale's language (here " + files.AnsiName() + u").";
}

// The systems a disc made of the folder starts on, by the launchers in it.
std::u16string LaunchersLine(const std::u16string& folder, Files& files) {
  static constexpr struct {
    const char16_t* file;
    const char16_t* system;
  } kLaunchers[] = {{u"Kivora.exe", u"Windows"}, {u"kivora", u"x86-64 Linux"}, {u"kivora-aarch64", u"64-bit ARM Linux"}};
  std::u16string here, missing;
  for (const auto& launcher : kLaunchers) {
    std::u16string& list = IsFile(FindPath(folder, launcher.file, files.conventions(), files.Lookup()).kind) ? here : missing;
    list += (list.empty() ? u"" : u", ") + std::u16string(launcher.system) + u" (" + launcher.file + u")";
  }
  return u"Starts on: " + (here.empty() ? u"no system, as no launcher is here" : here) +
         (missing.empty() ? u"." : u"; no launcher here for " + missing + u".");
}

// What is wrong with one name of a path on a disc for Windows, or "".
std::u16string WindowsRefuses(const std::u16string& name) {
  const std::u16string quoted = u"\"" + name + u"\"";
  if (std::any_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20 || std::u16string_view(u"<>:\"|?*").find(c) != std::u16string_view::npos; }))
    return quoted + u" holds a character Windows does not allow in a name (< > : \" | ? *)";
  if (!name.empty() && (name.back() == u'.' || name.back() == u' ') && name != u"." && name != u"..")
    return quoted + u" ends in a dot or a blank, which Windows drops from a name";
  const std::u16string stem = name.substr(0, name.find(u'.'));
  bool device = false;
  for (const char16_t* reserved : {u"CON", u"PRN", u"AUX", u"NUL"}) device |= SameIgnoringCase(stem, reserved);
  for (const char16_t* family : {u"COM", u"LPT"})
    device |= stem.size() == 4 && SameIgnoringCase(std::u16string_view(stem).substr(0, 3), family) && stem[3] >= u'1' &&
              stem[3] <= u'9';
  return device ? quoted + u" is a name Windows keeps for a device" : u"";
}

std::vector<std::u16string> PartsOf(std::u16string_view path) {
  std::vector<std::u16string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = std::min(path.find_first_of(u"\\/", start), path.size());
    parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::u16string Quoted(const std::vector<std::u16string>& arguments) {
  std::u16string out;
  for (const std::u16string& a : arguments) out += (out.empty() ? u"\"" : u", \"") + a + u"\"";
  return out;
}

// Extensions no Windows opens by itself: what a disc for Linux holds.
bool OpensOnlyWithAnApplication(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/"), dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos || (slash != std::u16string_view::npos && dot < slash)) return true;
  for (const char16_t* extension : {u".sh", u".py", u".pl", u".rb", u".run", u".bin", u".appimage", u".desktop",
                                    u".jar", u".deb", u".rpm", u".elf", u".out"})
    if (SameIgnoringCase(path.substr(dot), extension)) return true;
  return false;
}

// How a verdict names arguments: as the system hands them over.
std::u16string WithArguments(const SystemSeen& seen, const Launch& launch) {
  if (seen.rules.findsAnyCase) {
    std::u16string line = launch.argumentLine;
    line.erase(0, line.find_first_not_of(u" \t"));
    return line.empty() ? u"" : u" with the command line " + line;
  }
  size_t n = launch.arguments.size();
  return n == 0 ? u"" : u" with " + Number(n) + (n == 1 ? u" argument: " : u" arguments: ") + Quoted(launch.arguments);
}

// What a menu line does on one system, as Decide says, and the problems of
// it: what will fail or act otherwise than the author meant.
std::u16string WhatItDoes(const SystemSeen& seen, const View& view, const TextLine& given, size_t line,
                          bool hostIsSeen, Problems& problems) {
  const std::u16string& target = given.text;
  const bool absolute = !target.empty() && (target[0] == u'\\' || target[0] == u'/' || (target.size() > 1 && target[1] == u':'));
  if (absolute)
    problems.Add(line, seen.name,
                 u"an absolute path or a drive letter: write the path relative to the launcher's folder");
  if (target.find(u'\0') != std::u16string::npos)
    problems.Add(line, seen.name, u"the line holds a NUL character, which ends a name (a UTF-16 file saved without its "
                                  u"byte-order mark has them)");

  const std::u16string where =
      ShownPath(JoinPath(seen.root, kMenuFileName, seen.rules.separator), seen.rules.separator) + u", line " + Number(line);
  const LaunchPlan plan = Decide(seen.root, given, seen.rules, view.Facts(hostIsSeen));
  const Launch& launch = plan.launch;
  if (launch.address) {
    bool mail = SameIgnoringCase(target.substr(0, 7), u"mailto:");
    return u"opens " + target + (mail ? u" in the user's mail program" : u" in the user's web browser");
  }
  // The file's path as written in the line, and as it is on the disc.
  const std::u16string program = view.Relative(plan.resolved.program);
  int depth = 0;
  for (const std::u16string& part : absolute ? std::vector<std::u16string>{} : PartsOf(program)) {
    depth += part == u".." ? -1 : part.empty() || part == u"." ? 0 : 1;
    if (depth < 0)
      problems.Add(line, seen.name, u"..\\ climbs above the launcher's folder: from a folder it reaches what lies "
                                    u"beside that folder, but on a disc's root there is nothing above (Windows stays "
                                    u"at the root, Linux leaves the disc): keep what it starts below the launcher");
    if (part.size() > kJolietName)
      problems.Add(line, seen.name, u"\"" + part + u"\" is longer than 64 characters, which Joliet cuts when the disc "
                                    u"is burned: shorten it");
    std::u16string refused = WindowsRefuses(part);  // seen from Linux too: the disc is for both
    if (!refused.empty()) problems.Add(line, u"Windows", refused + u": rename it");
  }
  if (plan.refused) {
    const RuntimeError& error = *plan.refused;
    std::u16string report = u"Run-time error '" + Number(size_t(error.number())) + u"': " + Utf8ToUtf16(ErrorText(error.number()));
    problems.Add(line, seen.name, u"Next reports " + report);
    return u"reports " + report + u" (" + where + u": " + Shown(error.concerns()) + u")";
  }
  if (plan.caseDiffers)
    problems.Note(line, seen.name, u"the disc has it as " + program + u": the launcher finds it so");
  switch (plan.step) {
    case LaunchPlan::kOpen:
      if (seen.rules.findsAnyCase && OpensOnlyWithAnApplication(program))
        problems.Add(line, seen.name, u"Windows opens " + program + u" only where the user has an application for its "
                                      u"type, and none comes with Windows: name a Windows program for Windows");
      if (!plan.resolved.arguments.empty())
        problems.Add(line, seen.name, u"a document takes no arguments: the launcher opens " + program + u" without them");
      return u"opens the document " + program + u" with the application the user has for its type";
    case LaunchPlan::kStartCopy:
      return u"starts a copy of " + program + WithArguments(seen, plan.resolved) + u" that has the permission to run" +
             (hostIsSeen ? u"" : u" where the disc keeps none") + u" (" + plan.whyCopy.substr(0, plan.whyCopy.find(u", which runs")) + u"), in the launcher's folder";
    case LaunchPlan::kStartWindowsProgram:
      return u"hands the Windows program " + program + WithArguments(seen, plan.resolved) +
             u" to the desktop's application for Windows programs, if it has one";
    case LaunchPlan::kStart:
      break;
  }
  switch (plan.peMachine) {
    case 0:
    case 0x14c: break;  // 32-bit x86: every Windows runs it
    case 0x8664:
      problems.Note(line, seen.name, program + u" is a 64-bit x86 program: 32-bit Windows does not start it");
      break;
    case 0xaa64:
      problems.Add(line, seen.name, program + u" is a program for 64-bit ARM: only Windows on ARM starts it; name a "
                                              u"32-bit x86 program, which every Windows starts");
      break;
    default:
      problems.Add(line, seen.name, program + u" is a program for a machine other than x86 and 64-bit ARM (" +
                                        Utf8ToUtf16(std::to_string(plan.peMachine)) + u"): Windows does not start it");
  }
  if (plan.ifNoProgram == LaunchPlan::kStartWindowsProgram)
    return u"starts the Windows program " + program + u" where the system runs such programs itself, else hands it "
           u"to the desktop's application for them" + WithArguments(seen, plan.resolved);
  if (!plan.through.empty()) {
    std::u16string how = hostIsSeen ? u" (through " + plan.through + u", as it has no execute permission)"
                                    : u" (through " + plan.through + u" where the disc keeps no execute permission)";
    return u"starts " + program + WithArguments(seen, plan.resolved) + how;
  }
  return u"starts " + program + WithArguments(seen, plan.resolved);
}

}  // namespace

CheckResult CheckMenu(const std::u16string& folderGiven, Files& files) {
  const std::u16string folder = folderGiven.empty() ? files.LauncherFolder() : folderGiven;
  CheckResult result{{}, kExitClosed};
  if (files.Probe(folder) != FileKind::kFolder) {
    result.lines.push_back(u"There is no folder " + folder + u".");
    result.status = kExitMenuMissing;
    return result;
  }
  const Menu menu = ReadMenu(folder, files);
  switch (menu.found) {
    case Menu::Found::kFile: break;
    case Menu::Found::kHidden:
      result.lines.push_back(ShownPath(menu.path, files.conventions().separator) + u" is there, but it is a hidden or a system file: the launcher for Windows "
                                         u"does not see it and shows \"Error!\". Clear both with: attrib -h -s "
                                         u"Kivora.ini");
      result.status = kExitMenuMissing;
      return result;
    case Menu::Found::kNone:
      result.lines.push_back(u"No Kivora.ini in " + folder + u": the launcher shows \"Error!\" and ends.");
      result.status = kExitMenuMissing;
      return result;
    case Menu::Found::kNamesAlike:
      result.lines.push_back(u"The launcher reports " + menu.error->ReportLine());
      result.status = kExitMenuProblems;
      return result;
  }
  const TextLines& lines = menu.text;
  const size_t read = lines.lines.size();

  Problems problems;
  result.lines.push_back(u"Checking " + ShownPath(menu.path, files.conventions().separator) +
                         u" as the launchers for Windows and Linux read it, as from the root of a disc (D:\\ on "
                         u"Windows, /media/disc on Linux):");
  result.lines.push_back(ReadingLine(lines.reading, files));
  result.lines.push_back(LaunchersLine(folder, files));
  if (files.HiddenMarksIn(folder) == HiddenMarks::kUnseen)
    result.lines.push_back(u"(This system cannot see the hidden mark that this medium's files may bear: Windows does "
                           u"not see a hidden or system Kivora.ini; attrib -h -s Kivora.ini clears the marks.)");
  if (menu.error) problems.Add(read + 1, u"both", u"the launcher reports " + menu.error->ReportLine());
  if (lines.goesOn)  // the launcher reads no further
    problems.Note(kMenuLines + 1, u"both", u"the file goes on after line 7: the launcher ignores the rest");
  if (lines.reading == Reading::kAnsi)
    for (size_t i = 0; i < read; ++i)
      if (std::any_of(lines.bytes[i].begin(), lines.bytes[i].end(),
                      [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        problems.Add(i + 1, u"both", u"text beyond ASCII in a code page reads otherwise on a system of another "
                                     u"language: save the file as UTF-8");
        break;
      }
  if (read > 0) result.lines.push_back(u"Prompt (line 1): " + CaptionOf(lines.lines[0].text).text);
  problems.Print(1, 1, result.lines);

  for (size_t entry = 0; entry < 3; ++entry) {
    const size_t captionLine = entry + 2, targetLine = entry + 5;
    result.lines.push_back(u"Entry " + Number(entry + 1) + u" (lines " + Number(captionLine) + u" and " +
                           Number(targetLine) + u"):");
    std::vector<std::u16string> does;
    bool shown = false;  // the caption and the target, as the first system with seven lines reads them
    for (const SystemSeen& seen : kSystems) {
      std::u16string padding(std::u16string_view(u"       ").substr(std::char_traits<char16_t>::length(seen.name)));
      if (read < kMenuLines) {
        does.push_back(u"  " + std::u16string(seen.name) + u": " + padding + u"nothing: the launcher reports an error at its start");
        continue;
      }
      const TextLine& target = lines.lines[targetLine - 1];
      if (!shown) {
        std::u16string visible = target.text;
        std::replace(visible.begin(), visible.end(), u'\0', u'\u2400');
        result.lines.push_back(u"  caption: " + CaptionOf(lines.lines[captionLine - 1].text).text);
        result.lines.push_back(u"  target:  " + visible);
        shown = true;
      }
      View view(seen, folder, files);
      does.push_back(u"  " + std::u16string(seen.name) + u": " + padding +
                     WhatItDoes(seen, view, target, targetLine, seen.rules.findsAnyCase == files.conventions().findsAnyCase,
                                problems));
    }
    result.lines.insert(result.lines.end(), does.begin(), does.end());
    problems.Print(captionLine, captionLine, result.lines);
    problems.Print(targetLine, targetLine, result.lines);
  }
  if (lines.goesOn) {
    result.lines.push_back(u"After line 7:");
    problems.Print(kMenuLines + 1, kMenuLines + 1, result.lines);
  }
  size_t n = problems.size();
  result.status = n == 0 ? kExitClosed : kExitMenuProblems;
  std::u16string summary = n == 0 ? u"No problem found" : Number(n) + (n == 1 ? u" problem found" : u" problems found");
  if (size_t notes = problems.notes()) summary += u", and " + Number(notes) + (notes == 1 ? u" note" : u" notes");
  result.lines.push_back(summary + u".");
  return result;
}

int RunCheck(const std::u16string& folder, Files& files, Printer& printer) {
  CheckResult result{{}, kExitClosed};
  Dispatch(printer, [&] { result = CheckMenu(folder, files); });
  for (const std::u16string& line : result.lines) printer.Print(line);
  return result.status;
}

}  // namespace kivora

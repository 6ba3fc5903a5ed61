#include "core/check.h"

#include <algorithm>

#include "core/form.h"
#include "core/launch.h"
#include "core/launch_plan.h"
#include "core/launcher_window.h"
#include "core/menu_file.h"
#include "core/names.h"
#include "core/text.h"

namespace kivora {

namespace {

constexpr size_t kJolietName = 64;    // characters a Joliet name keeps
constexpr size_t kMenuLines = 7;

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
        if (match == names.end() && seen_.rules.findsAnyCase)
          match = std::find_if(names.begin(), names.end(), [&](const auto& n) { return SameIgnoringCase(n, part); });
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

// The problems found, each for one system or both.
class Problems {
 public:
  void Add(size_t line, const char16_t* system, std::u16string what) {
    for (Problem& p : problems_)
      if (p.line == line && p.what == what && p.system != system) {
        p.system = u"both";
        return;
      }
    for (const Problem& p : problems_)
      if (p.line == line && p.what == what) return;
    problems_.push_back({line, system, std::move(what)});
  }
  // Those of the lines in [first, last], in the order found, as printed.
  void Print(size_t first, size_t last, std::vector<std::u16string>& out) {
    for (const Problem& p : problems_)
      if (p.line >= first && p.line <= last)
        out.push_back(u"  line " + Number(p.line) + u", " + p.system + u": " + p.what);
  }
  size_t size() const { return problems_.size(); }

 private:
  struct Problem {
    size_t line;
    std::u16string system;
    std::u16string what;
  };
  std::vector<Problem> problems_;
};

// The lines of the menu as a system's launcher splits them: up to eight, and
// why the reading stopped before the eighth.
struct Lines {
  std::vector<std::string> bytes;
  LineSplitter::Result stop = LineSplitter::Result::kLine;
};

Lines SplitAs(const std::string& text, LineEnds ends) {
  Lines lines;
  LineSplitter splitter(std::make_unique<MemorySource>(text), ends);
  std::string line;
  while (lines.bytes.size() <= kMenuLines) {
    lines.stop = splitter.Next(line);
    if (lines.stop != LineSplitter::Result::kLine) break;
    lines.bytes.push_back(line);
  }
  return lines;
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

bool IsWindowsProgram(std::u16string_view path) {
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  std::u16string_view extension = path.substr(dot);
  for (const char16_t* program : {u".exe", u".com", u".bat", u".cmd"})
    if (SameIgnoringCase(extension, program)) return true;
  return false;
}

std::u16string Quoted(const std::vector<std::u16string>& arguments) {
  std::u16string out;
  for (const std::u16string& a : arguments) out += (out.empty() ? u"\"" : u", \"") + a + u"\"";
  return out;
}

// What a menu line starts or opens on one system, and the problems of it.
std::u16string WhatItDoes(const SystemSeen& seen, const View& view, const std::u16string& target, size_t line,
                          Files& files, bool hostIsSeen, Problems& problems) {
  if (target.empty()) {
    problems.Add(line, seen.name, u"the target is empty, so Next has nothing to start: name a program");
    return u"nothing: Next reports a run-time error";
  }
  const bool absolute = target[0] == u'\\' || target[0] == u'/' || (target.size() > 1 && target[1] == u':');
  if (absolute)
    problems.Add(line, seen.name,
                 u"an absolute path or a drive letter: write the path relative to the launcher's folder");
  if (target.find(u'\0') != std::u16string::npos) {
    problems.Add(line, seen.name, u"the line holds a NUL character, which ends a name (a UTF-16 file saved without its "
                                  u"byte-order mark has them): the launcher reports Run-time error '52': Bad file name "
                                  u"or number");
    return u"reports run-time error 52";
  }
  Resolution resolution = Resolve(seen.root, target, seen.rules, view.Lookup());
  const Launch& launch = resolution.launch;
  if (resolution.refused) {
    problems.Add(line, seen.name, u"the launcher reports " + resolution.refused->ReportLine());
    return u"reports run-time error " + Number(size_t(resolution.refused->number()));
  }
  if (launch.address) {
    bool mail = SameIgnoringCase(target.substr(0, 7), u"mailto:");
    return u"opens " + target + (mail ? u" in the user's mail program" : u" in the user's web browser");
  }
  // The program's path as written in the line, and as it is on the disc.
  const std::u16string program = view.Relative(launch.program);
  int depth = 0;
  for (const std::u16string& part : absolute ? std::vector<std::u16string>{} : PartsOf(program)) {
    depth += part == u".." ? -1 : part.empty() || part == u"." ? 0 : 1;
    if (depth < 0)
      problems.Add(line, seen.name, u"..\\ climbs above the launcher's folder, and there is nothing above a disc's "
                                    u"root: keep what it starts below the launcher");
    if (part.size() > kJolietName)
      problems.Add(line, seen.name, u"\"" + part + u"\" is longer than 64 characters, which Joliet cuts when the disc "
                                    u"is burned: shorten it");
    std::u16string refused = WindowsRefuses(part);  // seen from Linux too: the disc is for both
    if (!refused.empty()) problems.Add(line, u"Windows", refused + u": rename it");
  }
  if (!launch.found) {
    problems.Add(line, seen.name, program + u" is not found: the launcher reports Run-time error '53': File not found");
    return u"reports run-time error 53 (" + program + u" is not found)";
  }
  if (resolution.caseDiffers)
    problems.Add(line, seen.name, u"found as " + program + u" only when case is ignored: write it as it is on the disc");
  if (!seen.rules.findsAnyCase) {
    // What Next does with the file, as it decides it. Seen from Windows, the
    // permission the file will have on the disc is not known: a script or a
    // program runs either way, through its interpreter or the loader where
    // the disc keeps none.
    const std::u16string host = view.Host(launch.program);
    RunPermission permission = hostIsSeen ? files.MayRun(host) : RunPermission::kNoExecuteBit;
    LaunchPlan plan = PlanLaunch(launch, seen.rules, permission, files.FirstBytes(host, kHeaderBytes),
                                 [&files](std::string_view bytes) { return files.Decode(bytes); });
    if (plan.refused) {
      problems.Add(line, seen.name, u"the launcher reports " + plan.refused->ReportLine());
      return u"reports run-time error " + Number(size_t(plan.refused->number()));
    }
    if (plan.step == LaunchPlan::kStartWindowsProgram || plan.ifNoProgram == LaunchPlan::kStartWindowsProgram)
      return u"hands the Windows program " + program + u" to the desktop's application for Windows programs, if it "
             u"has one" + (launch.arguments.empty() ? u"" : u", with the arguments " + Quoted(launch.arguments));
    if (plan.ifNoProgram == LaunchPlan::kOpen)
      return u"opens the document " + program + u" with the application the user has for its type";
    if (!plan.through.empty()) {
      std::u16string how = hostIsSeen ? u" through " + plan.through + u", as it has no execute permission"
                                      : u" (through " + plan.through + u" where the disc keeps no execute permission)";
      return u"starts " + program + how +
             (launch.arguments.empty() ? u"" : u", with the arguments " + Quoted(launch.arguments));
    }
  } else if (!IsWindowsProgram(launch.program)) {
    return u"opens the document " + program + u" with the application the user has for its type";
  }
  if (seen.rules.findsAnyCase) {
    std::u16string line = launch.argumentLine;
    line.erase(0, line.find_first_not_of(u" \t"));
    return u"starts " + program + (line.empty() ? u"" : u" with the command line " + line);
  }
  size_t n = launch.arguments.size();
  return u"starts " + program +
         (n == 0 ? u"" : u" with " + Number(n) + (n == 1 ? u" argument: " : u" arguments: ") + Quoted(launch.arguments));
}

}  // namespace

Command ParseCommand(const std::vector<std::u16string>& arguments) {
  if (arguments.size() == 1 && arguments[0] == u"--help") return {Command::kHelp, u""};
  if (arguments.size() == 1 && arguments[0] == u"--version") return {Command::kVersion, u""};
  if (!arguments.empty() && arguments.size() <= 2 && arguments[0] == u"--check")
    return {Command::kCheck, arguments.size() == 2 ? arguments[1] : u""};
  return {};
}

int RunCommand(const Command& command, const std::u16string& program, Files& files, Printer& printer) {
  std::vector<std::u16string> lines;
  int status = kExitClosed;
  Dispatch(printer, [&] {
    switch (command.mode) {
      case Command::kVersion: lines = {u"Kivora " KIVORA_VERSION}; break;
      case Command::kHelp:
        lines = {u"Usage: " + program + u" [--check [FOLDER] | --help | --version]",
                 u"",
                 u"Without an argument, shows the menu of the Kivora.ini beside the launcher.",
                 u"",
                 u"  --check [FOLDER]  reads FOLDER's Kivora.ini (by default the one beside the",
                 u"                    launcher) as the launchers for Windows and for Linux read it,",
                 u"                    and tells what each choice does on each and what will go",
                 u"                    wrong; it shows no window and starts nothing",
                 u"  --help            this text",
                 u"  --version         the launcher's version",
                 u"",
                 u"Exit status of --check: 0 no problem found, 1 no Kivora.ini, 2 the menu cannot",
                 u"be read, 3 problems found (each on a line of its own)."};
        break;
      case Command::kCheck: {
        CheckResult result = CheckMenu(command.folder, files);
        lines = result.lines;
        status = result.status;
        break;
      }
      case Command::kLauncher: break;
    }
  });
  for (const std::u16string& line : lines) printer.Print(line);
  return status;
}

CheckResult CheckMenu(const std::u16string& folderGiven, Files& files) {
  const Conventions host = files.conventions();
  const std::u16string folder = folderGiven.empty() ? files.LauncherFolder() : folderGiven;
  CheckResult result{{}, kExitClosed};
  Found menu = FindPath(folder, kMenuFileName, host, files.Lookup());
  if (menu.kind != FileKind::kNormal) {
    result.lines.push_back(menu.alike.empty() ? u"No Kivora.ini in " + folder + u": the launcher shows \"Error!\" and ends."
                                              : NamesAlike(menu.path, menu.alike).ReportLine());
    result.status = menu.alike.empty() ? kExitMenuMissing : kExitMenuProblems;
    return result;
  }

  // The first bytes of the menu: enough for seven lines of the longest kind,
  // in UTF-16 too.
  std::string raw;
  {
    std::unique_ptr<ByteSource> file = files.OpenFile(menu.path);
    char block[4096];
    while (raw.size() < 4 * kMaxLineBytes * (kMenuLines + 1))
      if (size_t n = file->Read(block, sizeof block)) raw.append(block, n);
      else break;
  }
  TextDecoding decoding =
      ByByteOrderMark(std::make_unique<MemorySource>(raw), [&files](std::string_view b) { return files.Decode(b); });
  std::string text;
  for (char block[4096]; size_t n = decoding.source->Read(block, sizeof block);) text.append(block, n);

  Problems problems;
  result.lines.push_back(u"Checking " + menu.path + u" as the launchers for Windows and Linux read it, as from the "
                                                    u"root of a disc (D:\\ on Windows, /media/disc on Linux):");
  // Line ends, as far as the seventh line.
  bool crlf = false, cr = false, lf = false;
  size_t lineNumber = 1, firstLf = 0;
  for (size_t i = 0; i < text.size() && lineNumber <= kMenuLines; ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') crlf = true, ++i;
    else if (text[i] == '\r') cr = true;
    else if (text[i] == '\n') lf = true, firstLf = firstLf ? firstLf : lineNumber;
    else continue;
    ++lineNumber;
  }
  if (lf)
    problems.Add(firstLf, u"Windows", u"the line ends with LF alone, which Windows does not take as a line end: save "
                                      u"the file with CR LF");
  if (int(crlf) + int(cr) + int(lf) > 1)
    problems.Add(1, u"both", u"the lines end in more than one way (CR LF, CR, LF): save the file with CR LF throughout");

  std::vector<Lines> seenLines;
  for (const SystemSeen& seen : kSystems) {
    seenLines.push_back(SplitAs(text, seen.rules.lineEnds));
    const Lines& lines = seenLines.back();
    if (lines.stop == LineSplitter::Result::kTooLong)
      problems.Add(lines.bytes.size() + 1, seen.name, u"the line is longer than " + Number(kMaxLineBytes) +
                                                          u" bytes: the launcher reports Run-time error '7': Out of memory");
    else if (lines.bytes.size() < kMenuLines)
      problems.Add(lines.bytes.size() + 1, seen.name, u"the file ends before line 7: the launcher reports Run-time "
                                                      u"error '62': Input past end of file");
    if (lines.bytes.size() > kMenuLines)
      problems.Add(kMenuLines + 1, seen.name, u"the file goes on after line 7: the launcher ignores the rest");
  }
  if (!decoding.marked) {
    const std::vector<std::string>& lines = seenLines.back().bytes;
    for (size_t i = 0; i < lines.size() && i < kMenuLines; ++i)
      if (std::any_of(lines[i].begin(), lines[i].end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        problems.Add(i + 1, u"both", u"text beyond ASCII without a byte-order mark is read in each system's own "
                                     u"character set, and reads otherwise on a system of another: save the file as "
                                     u"UTF-8 with a byte-order mark");
        break;
      }
  }
  const std::vector<std::string>& firstLines = seenLines.back().bytes;
  if (!firstLines.empty()) result.lines.push_back(u"Prompt (line 1): " + CaptionOf(decoding.decode(firstLines[0])).text);
  problems.Print(1, 1, result.lines);

  for (size_t entry = 0; entry < 3; ++entry) {
    const size_t captionLine = entry + 2, targetLine = entry + 5;
    result.lines.push_back(u"Entry " + Number(entry + 1) + u" (lines " + Number(captionLine) + u" and " +
                           Number(targetLine) + u"):");
    std::vector<std::u16string> does;
    bool shown = false;  // the caption and the target, as the first system with seven lines reads them
    for (size_t s = 0; s < std::size(kSystems); ++s) {
      const SystemSeen& seen = kSystems[s];
      const std::vector<std::string>& lines = seenLines[s].bytes;
      std::u16string padding(std::u16string_view(u"       ").substr(std::char_traits<char16_t>::length(seen.name)));
      if (lines.size() < kMenuLines) {
        does.push_back(u"  " + std::u16string(seen.name) + u": " + padding + u"nothing: the launcher reports an error at its start");
        continue;
      }
      std::u16string target = decoding.decode(lines[targetLine - 1]);
      if (!shown) {
        std::u16string visible = target;
        std::replace(visible.begin(), visible.end(), u'\0', u'\u2400');
        result.lines.push_back(u"  caption: " + CaptionOf(decoding.decode(lines[captionLine - 1])).text);
        result.lines.push_back(u"  target:  " + visible);
        shown = true;
      }
      View view(seen, folder, files);
      does.push_back(u"  " + std::u16string(seen.name) + u": " + padding +
                     WhatItDoes(seen, view, target, targetLine, files, seen.rules.findsAnyCase == host.findsAnyCase,
                                problems));
    }
    result.lines.insert(result.lines.end(), does.begin(), does.end());
    problems.Print(captionLine, captionLine, result.lines);
    problems.Print(targetLine, targetLine, result.lines);
  }
  problems.Print(kMenuLines + 1, kMenuLines + 1, result.lines);
  size_t n = problems.size();
  result.status = n == 0 ? kExitClosed : kExitMenuProblems;
  result.lines.push_back(n == 0 ? u"No problem found."
                                : Number(n) + (n == 1 ? u" problem found." : u" problems found."));
  return result;
}

}  // namespace kivora

// Turning the launcher's folder and a menu line into the program to start,
// for Windows' paths and Linux's.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>

#include "core/launch.h"
#include "core/launch_plan.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

// A line resolved as the launcher resolves it, raising what it would raise.
Launch ResolveLaunch(std::u16string_view folder, std::u16string_view target, const Conventions& rules,
                     const FileLookup& files) {
  Resolution resolution = Resolve(folder, target, rules, files);
  if (resolution.refused) throw *resolution.refused;
  return resolution.launch;
}

TEST(ResolveLaunch, FindsTheProgramBelowTheFolderAndKeepsItsArguments) {
  const struct {
    const char* name;
    Conventions rules;
    std::u16string folder, target;
    std::set<std::u16string> files;
    std::u16string program, argumentLine, commandLine, shown;
  } cases[] = {
      {"a drive root loses its separator", kWindows, u"D:\\", u"inst\\a.exe", {u"D:\\inst\\a.exe"},
       u"D:\\inst\\a.exe", u"", u"D:\\inst\\a.exe", u"D:\\inst\\a.exe"},
      {"a folder keeps its name", kWindows, u"D:\\menu", u"inst\\a.exe /q", {u"D:\\menu\\inst\\a.exe"},
       u"D:\\menu\\inst\\a.exe", u" /q", u"D:\\menu\\inst\\a.exe /q", u"D:\\menu\\inst\\a.exe"},
      {"a blank in the folder is never a cut, and the program is quoted", kWindows, u"D:\\My Tools",
       u"inst\\a.exe -q x", {u"D:\\My.exe", u"D:\\My Tools\\inst\\a.exe"}, u"D:\\My Tools\\inst\\a.exe", u" -q x",
       u"\"D:\\My Tools\\inst\\a.exe\" -q x", u"D:\\My Tools\\inst\\a.exe"},
      {"the longest cut that names a file", kWindows, u"D:\\m", u"my app --go", {u"D:\\m\\my app", u"D:\\m\\my"},
       u"D:\\m\\my app", u" --go", u"\"D:\\m\\my app\" --go", u"D:\\m\\my app"},
      {"the whole line before a shorter name", kWindows, u"D:\\m", u"my app", {u"D:\\m\\my app", u"D:\\m\\my"},
       u"D:\\m\\my app", u"", u"\"D:\\m\\my app\"", u"D:\\m\\my app"},
      {"a tab cuts as a blank does", kWindows, u"D:\\m", u"my app\t--go", {u"D:\\m\\my app", u"D:\\m\\my"},
       u"D:\\m\\my app", u"\t--go", u"\"D:\\m\\my app\"\t--go", u"D:\\m\\my app"},
      {"Setup Files\\My Setup.exe beside Setup.exe", kWindows, u"D:\\", u"Setup Files\\My Setup.exe /S",
       {u"D:\\Setup.exe", u"D:\\Setup Files\\My Setup.exe"}, u"D:\\Setup Files\\My Setup.exe", u" /S",
       u"\"D:\\Setup Files\\My Setup.exe\" /S", u"D:\\Setup Files\\My Setup.exe"},
      {"and on Linux", kLinux, u"/cd", u"Setup Files\\setup.sh /S", {u"/cd/Setup", u"/cd/Setup Files/setup.sh"},
       u"/cd/Setup Files/setup.sh", u" /S", u"\"/cd/Setup Files/setup.sh\" /S", u"/cd/Setup Files/setup.sh"},
      {"a quoted program as written", kWindows, u"D:\\", u"\"Setup Files\\My Setup\" /S \"x y\"",
       {u"D:\\Setup.exe", u"D:\\Setup Files\\My Setup.exe"}, u"D:\\Setup Files\\My Setup.exe", u" /S \"x y\"",
       u"\"D:\\Setup Files\\My Setup.exe\" /S \"x y\"", u"D:\\Setup Files\\My Setup.exe"},
      {"a blank in the target", kWindows, u"D:\\m", u"my app --go", {u"D:\\m\\my app"}, u"D:\\m\\my app",
       u" --go", u"\"D:\\m\\my app\" --go", u"D:\\m\\my app"},
      {"Windows adds .exe", kWindows, u"D:\\m", u"setup /s", {u"D:\\m\\setup.exe"}, u"D:\\m\\setup.exe", u" /s",
       u"D:\\m\\setup.exe /s", u"D:\\m\\setup.exe"},
      {"..\\ climbs from the launcher's folder", kWindows, u"D:\\menu", u"..\\tools\\one.exe -a",
       {u"D:\\menu\\..\\tools\\one.exe"}, u"D:\\menu\\..\\tools\\one.exe", u" -a",
       u"D:\\menu\\..\\tools\\one.exe -a", u"D:\\menu\\..\\tools\\one.exe"},
      {"nothing found: the program is the target up to its first blank", kWindows, u"D:\\m", u"missing -q", {},
       u"D:\\m\\missing", u" -q", u"D:\\m\\missing -q", u"D:\\m\\missing"},
      {"an empty target is the folder itself", kWindows, u"D:\\m", u"", {}, u"D:\\m\\", u"", u"D:\\m\\",
       u"D:\\m\\"},
      {"Linux reads \\ as /, in the program only", kLinux, u"/media/cd", u"inst\\setup.sh C:\\x",
       {u"/media/cd/inst/setup.sh"}, u"/media/cd/inst/setup.sh", u" C:\\x", u"/media/cd/inst/setup.sh C:\\x",
       u"/media/cd/inst/setup.sh"},
      {"a leading \\ at a drive root: started as composed, shown with one", kWindows, u"D:\\", u"\\tools\\rec.exe",
       {u"D:\\\\tools\\rec.exe"}, u"D:\\\\tools\\rec.exe", u"", u"D:\\\\tools\\rec.exe", u"D:\\tools\\rec.exe"},
      {"the root of Linux", kLinux, u"/", u"a.sh", {u"//a.sh"}, u"//a.sh", u"", u"//a.sh", u"//a.sh"},
      {"a three-letter folder that ends in a separator is a root", kLinux, u"/c/", u"a.sh", {u"/c/a.sh"}, u"/c/a.sh",
       u"", u"/c/a.sh", u"/c/a.sh"},
      {"a three-letter folder is no root", kLinux, u"/cd", u"a.sh", {u"/cd/a.sh"}, u"/cd/a.sh", u"", u"/cd/a.sh",
       u"/cd/a.sh"},
      {"a \\ in the launcher's own folder is kept on Linux", kLinux, u"/tmp/a\\b", u"x", {u"/tmp/a\\b/x"},
       u"/tmp/a\\b/x", u"", u"/tmp/a\\b/x", u"/tmp/a\\b/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto probe = [&](const std::u16string& path) { return c.files.count(path) ? FileKind::kNormal : FileKind::kNone; };
    Launch launch = ResolveLaunch(c.folder, c.target, c.rules, Probing(probe));
    EXPECT_EQ(launch.program, c.program);
    EXPECT_EQ(launch.argumentLine, c.argumentLine);
    EXPECT_EQ(launch.commandLine, c.commandLine);
    EXPECT_EQ(launch.shown, c.shown);
  }
}

TEST(ResolveLaunch, ShowsALongPathShortenedInItsReportOnly) {
  // A folder of 200 characters, then a name: on Linux a path may be far longer than a report should be.
  const std::u16string folder = std::u16string(200, u'd') + u"\\";
  const std::u16string first260 = u"/m/" + std::u16string(200, u'd') + u"/" + std::u16string(56, u'e');
  const struct {
    const char* name;
    std::u16string target, shown;
  } cases[] = {
      {"260 characters are shown whole", folder + std::u16string(56, u'e'), first260},
      {"more, the first 260 and an ellipsis", folder + std::u16string(100, u'e'), first260 + u"\u2026"},
      {"a surrogate pair across the cut is left out whole",
       folder + std::u16string(55, u'e') + u"\U0001F600" + std::u16string(40, u'e'),
       first260.substr(0, 259) + u"\u2026"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Launch launch = ResolveLaunch(u"/m", c.target, kLinux, Probing([](const std::u16string&) { return FileKind::kNone; }));
    EXPECT_EQ(launch.shown, c.shown);
    EXPECT_EQ(launch.program.size(), 3 + c.target.size()) << "started whole";
  }
}

TEST(ResolveLaunch, SplitsTheArgumentsAndTakesNoFolderForAProgram) {
  const std::set<std::u16string> files = {u"/m/inst/a prog", u"/m/inst"};
  auto probe = [&](const std::u16string& path) {
    return path == u"/m/inst" ? FileKind::kFolder : files.count(path) ? FileKind::kNormal : FileKind::kNone;
  };
  Launch launch = ResolveLaunch(u"/m", u"inst\\a prog -q \"two words\" a\\\"b; touch pwned", kLinux, Probing(probe));
  EXPECT_EQ(launch.program, u"/m/inst/a prog") << "inst is a folder, not the program";
  EXPECT_EQ(launch.arguments, (std::vector<std::u16string>{u"-q", u"two words", u"a\"b;", u"touch", u"pwned"}));
}

TEST(ResolveLaunch, OnLinuxFindsTheProgramInAnyCaseOrSaysWhichNamesAreAlike) {
  FakeSystem disc;
  disc.rules = kLinux;
  for (const char16_t* path : {u"/m/programs/tool", u"/m/Setup", u"/m/SETUP"}) disc.files[path] = "";
  disc.others[u"/m/programs"] = FileKind::kFolder;
  FileLookup files = disc.Lookup();
  Launch launch = ResolveLaunch(u"/m", u"Programs\\Tool --x", kLinux, files);
  EXPECT_EQ(launch.program, u"/m/programs/tool");
  EXPECT_EQ(launch.arguments, std::vector<std::u16string>{u"--x"});
  EXPECT_EQ(launch.shown, u"/m/programs/tool") << "a report names the file found, apart from its arguments";
  try {
    ResolveLaunch(u"/m", u"setup /s", kLinux, files);
    ADD_FAILURE() << "one of two names picked";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrFileNotFound);
    EXPECT_EQ(e.concerns(), u"/m/setup: more than one name differs from it only in case (/m/SETUP, /m/Setup)");
  }
}

TEST(ResolveLaunch, LooksForALineByItsTextThenByItsOwnBytes) {
  // "t\xe9 \xff" read in Windows-1252, beside its own bytes.
  const TextLine line{u"t\u00e9 \u00ff", u"t\xDCE9 \xDCFF"};
  const struct {
    const char* name;
    std::vector<std::u16string> files;  // in /m
    std::u16string program, argumentLine;
  } cases[] = {
      {"a disc named in UTF-8: the text", {u"/m/T\u00c9"}, u"/m/T\u00c9", u" \u00ff"},
      {"a folder named in Latin-1: the bytes, arguments too", {u"/m/t\xDCE9"}, u"/m/t\xDCE9", u" \xDCFF"},
      {"neither: the report names the text", {u"/m/other"}, u"/m/t\u00e9", u" \u00ff"},
      {"both: the text", {u"/m/t\xDCE9", u"/m/t\u00e9"}, u"/m/t\u00e9", u" \u00ff"},
  };
  for (const auto& c : cases) {
    FakeSystem disc;
    disc.rules = kLinux;
    for (const std::u16string& file : c.files) disc.files[file] = "";
    Launch launch = Resolve(u"/m", line, kLinux, disc.Lookup()).launch;
    EXPECT_EQ(launch.program, c.program) << c.name;
    EXPECT_EQ(launch.argumentLine, c.argumentLine) << c.name;
  }
}

TEST(ResolveLaunch, AHiddenFileIsAProgramToo) {
  auto probe = [](const std::u16string& path) {
    return path == u"D:\\m\\setup.exe" || path == u"D:\\m\\tool" ? FileKind::kHidden : FileKind::kNone;
  };
  EXPECT_EQ(ResolveLaunch(u"D:\\m", u"setup /s", kWindows, Probing(probe)).program, u"D:\\m\\setup.exe");
  Launch launch = ResolveLaunch(u"D:\\m", u"tool x y", kWindows, Probing(probe));
  EXPECT_EQ(launch.program, u"D:\\m\\tool");
  EXPECT_EQ(launch.argumentLine, u" x y");
}

TEST(ResolveLaunch, NeverHandsTheSystemAPathNoFileSystemCanHold) {
  // A target of folders of 200 characters, then a last name of the given length.
  auto deep = [](size_t length) {
    std::u16string target;
    while (length > 201) target += std::u16string(200, u'd') + u'\\', length -= 201;
    return target + std::u16string(length, u'n');
  };
  const std::u16string folder = u"D:\\m";  // 5 characters with the separator
  const struct {
    const char* name;
    Conventions rules;
    std::u16string target;
    const char16_t* error;  // what the report says, or nullptr when the path is handed on
  } cases[] = {
      {"a name of 255", kLinux, std::u16string(255, u'n'), nullptr},
      {"a name of 256", kWindows, std::u16string(256, u'n') + u" /q", u"a name in it is longer than 255 characters"},
      {"a name of 30000", kWindows, std::u16string(30000, u'n'), u"a name in it is longer than 255 characters"},
      {"a path of 259, what Windows takes without long paths", kWindows, deep(259 - 5), nullptr},
      {"a path of 260", kWindows, deep(260 - 5), u"it is longer than 259 characters"},
      {"a name of 256 on Linux", kLinux, std::u16string(256, u'n'), u"a name in it is longer than 255 characters"},
      {"a path of 4096 on Linux", kLinux, deep(4096 - 5), u"it is longer than 4095 characters"},
      {"a long argument is no name", kWindows, u"setup " + std::u16string(300, u'a'), nullptr},
      {"a NUL, which would end the name early", kLinux, std::u16string(u"a.sh\0junk --flag", 16),
       u"/m/x/a.sh\u2400junk --flag: it holds a NUL character"},
      {"a NUL on Windows", kWindows, std::u16string(u"setup\0", 6), u"D:\\m\\setup\u2400: it holds a NUL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::u16string> probed;
    auto probe = [&](const std::u16string& path) {
      probed.push_back(path);
      return path == u"D:\\m\\setup.exe" ? FileKind::kNormal : FileKind::kNone;
    };
    try {
      Launch launch = ResolveLaunch(c.rules.separator == u'/' ? u"/m/x" : folder, c.target, c.rules, Probing(probe));
      EXPECT_EQ(c.error, nullptr) << "handed on";
    } catch (const RuntimeError& e) {
      ASSERT_NE(c.error, nullptr) << "refused";
      EXPECT_EQ(e.number(), kErrBadFileName);
      EXPECT_NE(e.concerns().find(c.error), std::u16string::npos);
      if (c.target.find(u'\0') != std::u16string::npos) {
        EXPECT_TRUE(probed.empty()) << "refused before a probe";
      }
    }
    for (const auto& path : probed) {
      EXPECT_LE(path.size(), c.rules.longestPath) << "a path too long was probed";
      size_t name = path.size() - path.find_last_of(c.rules.separator) - 1;
      EXPECT_LE(name, c.rules.longestName) << "a name too long was probed";
    }
  }
}

FileHead HeadOf(const std::string& bytes, bool disc = false) {
  const size_t n = std::min(bytes.size(), kHeadBytes);
  return {bytes.substr(0, n), bytes.substr(bytes.size() - n), bytes.size(), disc, std::nullopt};
}

TEST(PlanLaunch, RunsAProgramOrScriptWithoutExecutePermissionThroughItsLoaderOrInterpreterAndNeverAsADocument) {
  using Step = LaunchPlan::Step;
  constexpr auto kYes = RunPermission::kYes, kNoBit = RunPermission::kNoExecuteBit,
                 kNoexec = RunPermission::kMediumForbids;
  const std::string x64 = "/lib64/ld-linux-x86-64.so.2", makeself = std::string("#!/bin/sh\nexec tail -c 100 \"$0\"\n\x1f\x8b\x08\0", 36);
  const struct {
    const char* name;
    Conventions rules;
    RunPermission permission;
    std::string bytes;
    Step step;
    std::optional<Step> ifNoProgram;
    std::vector<std::u16string> started;  // the program and its arguments; empty when refused
    int refused;
    std::u16string why;  // in the report, or for a copy the advice where none can be made
    bool disc = false;
  } cases[] = {
      {"a program that may run", kLinux, kYes, Elf(true, x64), LaunchPlan::kStart, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"a program without the bit, through its loader", kLinux, kNoBit, Elf(true, x64), LaunchPlan::kStart, {},
       {u"/lib64/ld-linux-x86-64.so.2", u"/cd/p", u"-a"}, 0, u""},
      {"a 32-bit one", kLinux, kNoBit, Elf(false, "/lib/ld-linux.so.2", 3), LaunchPlan::kStart, {},
       {u"/lib/ld-linux.so.2", u"/cd/p", u"-a"}, 0, u""},
      {"a 32-bit one with a payload, from a copy", kLinux, kNoBit, Elf(false, "/lib/ld-linux.so.2", 3, 1),
       LaunchPlan::kStartCopy, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"no section headers (stripped): its segments end it", kLinux, kNoBit,
       Elf(true, x64).substr(0, 0x2000).replace(0x28, 8, 8, '\0').replace(0x3c, 2, 2, '\0'), LaunchPlan::kStart, {},
       {u"/lib64/ld-linux-x86-64.so.2", u"/cd/p", u"-a"}, 0, u""},
      {"a program with a payload of its own, from a copy", kLinux, kNoBit, Elf(true, x64, 62, 1), LaunchPlan::kStartCopy,
       {}, {u"/cd/p", u"-a"}, 0, u"copy it to a folder"},
      {"a static program without the bit, from a copy: a disc's advice", kLinux, kNoBit, Elf(true, ""),
       LaunchPlan::kStartCopy, {}, {u"/cd/p", u"-a"}, 0, u"Rock Ridge", true},
      {"headers beyond the bytes read, from a copy", kLinux, kNoBit, Elf(true, x64).substr(0, 70),
       LaunchPlan::kStartCopy, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"a 64-bit ARM program without its loader", kLinux, kNoBit, Elf(true, "/lib/ld-linux-aarch64.so.1", 183),
       LaunchPlan::kStart, {}, {}, kErrPermissionDenied,
       u"a program for 64-bit ARM Linux: this system cannot run it (it has no /lib/ld-linux-aarch64.so.1)"},
      {"a 64-bit RISC-V one", kLinux, kNoBit, Elf(true, "/lib/ld-linux-riscv64-lp64d.so.1", 243), LaunchPlan::kStart,
       {}, {}, kErrPermissionDenied, u"for 64-bit RISC-V Linux"},
      {"an IBM Z one, big-endian", kLinux, kNoBit, Elf(true, "/lib/ld64.so.1", 22, 0, true), LaunchPlan::kStart, {}, {},
       kErrPermissionDenied, u"for IBM Z Linux"},
      {"neither 32- nor 64-bit, from a copy", kLinux, kNoBit, Elf(false, "/lib/ld-linux.so.2", 3).replace(4, 1, 1, '\0'),
       LaunchPlan::kStartCopy, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"a loader's name past the bytes read, from a copy", kLinux, kNoBit,
       Elf(true, x64).replace(0x80, 2, std::string("\0\x18", 2)), LaunchPlan::kStartCopy, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"a 32-bit ARM one, with the bit too", kLinux, kYes, Elf(false, "/lib/ld-linux-armhf.so.3", 40), LaunchPlan::kStart,
       {}, {}, kErrPermissionDenied, u"for 32-bit ARM Linux"},
      {"a script that may run", kLinux, kYes, "#!/bin/sh\necho\n", LaunchPlan::kStart, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"a script without the bit, its one argument kept", kLinux, kNoBit, "#! /usr/bin/env  python3 -u \t\nx",
       LaunchPlan::kStart, {}, {u"/usr/bin/env", u"python3 -u", u"/cd/p", u"-a"}, 0, u""},
      {"a script followed by its archive, from a copy", kLinux, kNoBit, makeself, LaunchPlan::kStartCopy, {},
       {u"/cd/p", u"-a"}, 0, u""},
      {"a long script followed by its archive, from a copy", kLinux, kNoBit,
       "#!/bin/sh\n" + std::string(kHeadBytes, '#') + std::string("\n\x1f\x8b\x08\0", 5), LaunchPlan::kStartCopy, {},
       {u"/cd/p", u"-a"}, 0, u""},
      {"a script saved on Windows", kLinux, kYes, "#!/bin/sh\r\necho\r\n", LaunchPlan::kStart, {}, {},
       kErrInvalidCall, u"the script's first line ends with a carriage return (saved on Windows)"},
      {"a script naming no interpreter", kLinux, kNoBit, "#!\n", LaunchPlan::kStart, {}, {}, kErrInvalidCall,
       u"names no interpreter"},
      {"a NUL ends the interpreter's name", kLinux, kNoBit, std::string("#!\0x\n", 5) + std::string(5000, 'a'),
       LaunchPlan::kStart, {}, {}, kErrInvalidCall, u"names no interpreter"},
      {"a script on a noexec medium", kLinux, kNoexec, "#!/bin/sh\n", LaunchPlan::kStart, {}, {},
       kErrPermissionDenied, u"this system does not allow programs to run from the medium it is on"},
      {"a program on a noexec medium", kLinux, kNoexec, Elf(true, x64, 62, 1), LaunchPlan::kStart, {}, {},
       kErrPermissionDenied, u"does not allow programs to run"},
      {"a Windows program that may run: a handler of the system may take it", kLinux, kYes, "MZ\x90",
       LaunchPlan::kStart, LaunchPlan::kStartWindowsProgram, {u"/cd/p", u"-a"}, 0, u""},
      {"a Windows program without the bit", kLinux, kNoBit, "MZ", LaunchPlan::kStartWindowsProgram, {},
       {u"/cd/p", u"-a"}, 0, u""},
      {"a document", kLinux, kNoBit, "%PDF", LaunchPlan::kOpen, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"a document with the bit, as on a FAT stick, is still a document", kLinux, kYes, "%PDF", LaunchPlan::kOpen, {},
       {u"/cd/p", u"-a"}, 0, u""},
      {"notes that begin with # are a document", kLinux, kNoBit, "# Notes\n", LaunchPlan::kOpen, {}, {u"/cd/p", u"-a"},
       0, u""},
      {"an interpreter of 200 bytes, and the line read up to its 256th byte", kLinux, kNoBit,
       "#!/" + std::string(199, 'i') + " " + std::string(100, 'a') + "\n", LaunchPlan::kStart, {},
       {u"/" + std::u16string(199, u'i'), std::u16string(254 - 201, u'a'), u"/cd/p", u"-a"}, 0, u""},
      {"a document on a noexec medium opens", kLinux, kNoexec, "", LaunchPlan::kOpen, {}, {u"/cd/p", u"-a"}, 0, u""},
      {"Windows: a script is a document", kWindows, kYes, "#!/bin/sh\r\n", LaunchPlan::kOpen, {}, {u"/cd/p", u"-a"},
       0, u""},
      {"Windows: a program by its PE header", kWindows, kYes, PeProgram(0x8664), LaunchPlan::kStart, {}, {u"/cd/p", u"-a"}, 0,
       u""},
      {"Windows: a PE signature cut short", kWindows, kYes, PeProgram().substr(0, 0x44), LaunchPlan::kStart, {}, {},
       kErrInvalidCall, u"no PE header"},
      {"Windows: MZ and nothing more", kWindows, kYes, "MZ", LaunchPlan::kStart, {}, {}, kErrInvalidCall,
       u"no PE header"},
      {"Windows: a PE header past the bytes read is Windows' to judge", kWindows, kYes,
       "MZ" + std::string(0x3a, '\0') + std::string("\0\x20\0\0", 4) + std::string(0x2000 - 0x40, '\0') +
           std::string("PE\0\0\x4c\x01", 6),
       LaunchPlan::kStart, {}, {u"/cd/p", u"-a"}, 0, u""},
  };
  FileFacts facts;
  facts.decode = Latin1ToUtf16;
  facts.systemHas = [](const std::u16string& path) { return path == u"/lib64/ld-linux-x86-64.so.2" || path == u"/lib/ld-linux.so.2"; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Launch launch{.program = u"/cd/p", .found = true, .argumentLine = u" -a", .arguments = {u"-a"},
                  .commandLine = u"/cd/p -a", .shown = u"/cd/p -a", .folder = u"/cd"};
    LaunchPlan plan = PlanLaunch(launch, c.rules, c.permission, HeadOf(c.bytes, c.disc), facts);
    if (c.refused) {
      ASSERT_TRUE(plan.refused);
      EXPECT_EQ(plan.refused->number(), c.refused);
      EXPECT_NE(plan.refused->concerns().find(u"/cd/p -a: "), std::u16string::npos) << "names the line";
      EXPECT_NE(plan.refused->concerns().find(c.why), std::u16string::npos) << Utf16ToUtf8(plan.refused->concerns());
      continue;
    }
    ASSERT_FALSE(plan.refused) << Utf16ToUtf8(plan.refused->concerns());
    EXPECT_EQ(plan.step, c.step);
    EXPECT_EQ(plan.ifNoProgram, c.ifNoProgram);
    if (c.step == LaunchPlan::kStartCopy) {
      EXPECT_NE(plan.advice.find(c.why), std::u16string::npos);
    }
    std::vector<std::u16string> started{plan.launch.program};
    started.insert(started.end(), plan.launch.arguments.begin(), plan.launch.arguments.end());
    EXPECT_EQ(started, c.started);
    EXPECT_EQ(plan.launch.shown, u"/cd/p -a");
  }
}

TEST(Decide, ReportsWhatNamesNoFileAndTellsProgramsFromDocumentsByTheFile) {
  const struct {
    const char* name;
    Conventions rules;
    std::u16string target;
    std::optional<LaunchPlan::Step> step;  // nothing: refused
    int refused;
    std::u16string concerns;
  } cases[] = {
      {"a missing program: its line, and the file apart from its arguments", kWindows, u"Setup Files\\missing.exe /x",
       {}, kErrFileNotFound, u"D:\\m\\Setup Files\\missing.exe: no such file"},
      {"names alike of a longer cut are not the report's", kLinux, u"a b c", {}, kErrFileNotFound,
       u"/m/a: no such file"},
      {"a missing program after a folder with a dot", kLinux, u"v1.0/My Setup.sh /q", {}, kErrFileNotFound,
       u"/m/v1.0/My Setup.sh: no such file"},
      {"an empty line", kWindows, u"", {}, kErrPermissionDenied, u"the line is empty"},
      {"a blank before the program", kWindows, u" RUN.BAT", {}, kErrPermissionDenied, u"the line begins with a blank"},
      {"a tab too", kWindows, u"\tRUN.BAT", {}, kErrPermissionDenied, u"the line begins with a blank"},
      {"a folder", kWindows, u"Tools", {}, kErrPermissionDenied, u"D:\\m\\Tools: a folder, not a program"},
      {"a folder on Linux too", kLinux, u"Tools", {}, kErrPermissionDenied, u"/m/Tools: a folder, not a program"},
      {"a batch file in upper case", kWindows, u"RUN.BAT /q", LaunchPlan::kStart, 0, u""},
      {"a command script", kWindows, u"build.cmd", LaunchPlan::kStart, 0, u""},
      {"a .com by its name", kWindows, u"tool.com", LaunchPlan::kStart, 0, u""},
      {"a program by its header", kWindows, u"setup.bin", LaunchPlan::kStart, 0, u""},
      {"a document", kWindows, u"manual.pdf", LaunchPlan::kOpen, 0, u""},
      {"a PDF with the execute bit", kLinux, u"manual.pdf", LaunchPlan::kOpen, 0, u""},
      {"a file the system cannot read", kLinux, u"scratched.sh -x", {}, kErrDeviceIO,
       u"/m/scratched.sh: the system cannot read it: scripted failure"},
      {"cmd would run what follows &", kWindows, u"RUN.BAT x&calc", {}, kErrInvalidCall, u""},
      {"and read %NAME% as a variable", kWindows, u"RUN.BAT 50%OFF", {}, kErrInvalidCall, u""},
      {"& in quotes is cmd's text", kWindows, u"RUN.BAT \"a&b\" ^x", {}, kErrInvalidCall, u""},
      {"a .cmd file too", kWindows, u"run.cmd a|b", {}, kErrInvalidCall, u"a batch file given |"},
      {"& in quotes only", kWindows, u"RUN.BAT \"a&b|c\"", LaunchPlan::kStart, 0, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem disc;
    disc.rules = c.rules;
    const std::u16string folder = c.rules.separator == u'/' ? u"/m" : u"D:\\m";
    for (const char16_t* name :
         {u"RUN.BAT", u"build.cmd", u"run.cmd", u"setup.bin", u"manual.pdf", u"scratched.sh", u"A B", u"A b", u"tool.com"})
      disc.files[folder + c.rules.separator + name] = std::u16string(name) == u"setup.bin" ? PeProgram() : "%PDF";
    disc.readFails[folder + c.rules.separator + u"scratched.sh"] = {SystemCode::kErrno, EIO};
    disc.others[folder + c.rules.separator + u"Tools"] = FileKind::kFolder;
    LaunchPlan plan = Decide(folder, TextLine{c.target, c.target}, c.rules, disc.Facts());
    EXPECT_EQ(plan.refused ? plan.refused->number() : 0, c.refused);
    if (plan.refused) {
      EXPECT_NE(plan.refused->concerns().find(c.concerns), std::u16string::npos) << Utf16ToUtf8(plan.refused->concerns());
    }
    if (c.step) {
      EXPECT_EQ(plan.step, *c.step);
    }
  }
}

// A program made by this system's compiler and linker (the recorder of the
// tests), on a disc that keeps no execute permission: Next reads as much of
// it as the loader's name needs. A program for another machine is written so
// too: the same bytes with its machine and loader.
TEST(Decide, StartsARealProgramWithoutExecutePermissionThroughTheLoaderItNames) {
  std::ifstream in(REAL_ELF, std::ios::binary);
  const std::string real((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(real.size(), 4096u) << REAL_ELF;
  std::string arm = real;
  arm[0x12] = '\xb7';  // e_machine: EM_AARCH64
  const std::string armLoader("/lib/ld-linux-aarch64.so.1\0", 27);
  ASSERT_EQ(real.substr(0x318, 28), std::string("/lib64/ld-linux-x86-64.so.2\0", 28)) << "not as ld lays it out";
  arm.replace(0x318, armLoader.size(), armLoader);
  const struct {
    const char* name;
    std::string bytes;
    std::u16string loader;
    bool loaderThere = true;
  } cases[] = {
      {"x86-64, as linked here", real, u"/lib64/ld-linux-x86-64.so.2"},
      {"aarch64", arm, u"/lib/ld-linux-aarch64.so.1"},
      {"aarch64 where its loader is not: named as such", arm, u"/lib/ld-linux-aarch64.so.1", false},
      {"32-bit, as ld lays it out", Elf(false, "/lib/ld-linux.so.2"), u"/lib/ld-linux.so.2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem disc;
    disc.rules = kLinux;
    disc.files[u"/cd/setup"] = c.bytes;
    disc.permissions[u"/cd/setup"] = RunPermission::kNoExecuteBit;
    if (c.loaderThere) disc.files[c.loader] = "";
    LaunchPlan plan = Decide(u"/cd", TextLine{u"setup -q", u"setup -q"}, kLinux, disc.Facts());
    if (!c.loaderThere) {
      ASSERT_TRUE(plan.refused);
      EXPECT_NE(plan.refused->concerns().find(u"a program for 64-bit ARM Linux"), std::u16string::npos);
      continue;
    }
    ASSERT_FALSE(plan.refused) << Utf16ToUtf8(plan.refused->concerns());
    EXPECT_EQ(plan.launch.program, c.loader);
    EXPECT_EQ(plan.launch.arguments, (std::vector<std::u16string>{u"/cd/setup", u"-q"}));
  }
}

}  // namespace
}  // namespace kivora::testing

// The menu check on the fake system, run as on Windows and as on Linux: what
// it tells of each entry, every problem it finds, and its exit status.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/check.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

// A check's lines, and whether each wanted one is among them.
::testing::AssertionResult HasLines(const std::vector<std::u16string>& lines, const std::vector<std::u16string>& wanted) {
  for (const std::u16string& w : wanted)
    if (std::find(lines.begin(), lines.end(), w) == lines.end()) {
      std::string all;
      for (const std::u16string& l : lines) all += Utf16ToUtf8(l) + "\n";
      return ::testing::AssertionFailure() << "missing: " << Utf16ToUtf8(w) << "\nin:\n" << all;
    }
  return ::testing::AssertionSuccess();
}

TEST(CheckMenu, TellsWhatEachEntryDoesAndEveryProblemOnBothSystems) {
  const struct {
    const char* name;
    Conventions host;
    std::map<std::u16string, std::string> files;  // relative to the folder, "/" between folders
    std::map<std::u16string, RunPermission> permissions;
    ExitStatus status;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"a clean menu, checked on Windows",
       kWindows,
       {{u"Kivora.ini", "&Pick\r\nA\r\nB\r\nC\r\nsetup /s \"a b\"\r\nhttps://example.com\r\nmanual.pdf\r\n"},
        {u"setup.exe", "MZ"},
        {u"manual.pdf", "%PDF"}},
       {},
       kExitMenuProblems,
       {u"Prompt (line 1): Pick", u"  caption: A", u"  target:  setup /s \"a b\"",
        u"  Windows: starts setup.exe with the command line /s \"a b\"",
        u"  Linux:   reports run-time error 53 (setup is not found)",
        u"  line 5, Linux: setup is not found: the launcher reports Run-time error '53': File not found",
        u"  Windows: opens https://example.com in the user's web browser",
        u"  Windows: opens the document manual.pdf with the application the user has for its type",
        u"  Linux:   opens the document manual.pdf with the application the user has for its type",
        u"1 problem found."}},
      {"names in the wrong case, alike, without execute permission, checked on Linux",
       kLinux,
       {{u"KIVORA.INI", "P\r\nA\r\nB\r\nC\r\nSetup\\Install.sh --go\r\ntools\\tool\r\nreadme.txt\r\n"},
        {u"setup/install.sh", "#!/bin/sh\n"},
        {u"tools/Tool", ""},
        {u"tools/TOOL", ""},
        {u"readme.txt", "a manual"}},
       {{u"/cd/readme.txt", RunPermission::kNoExecuteBit}, {u"/cd/setup/install.sh", RunPermission::kNoExecuteBit}},
       kExitMenuProblems,
       {u"  Windows: opens the document Setup\\Install.sh with the application the user has for its type",
        u"  Linux:   starts setup/install.sh through /bin/sh, as it has no execute permission, with the arguments "
        u"\"--go\"",
        u"  line 5, Linux: found as setup/install.sh only when case is ignored: write it as it is on the disc",
        u"  line 6, Linux: the launcher reports Run-time error '53': File not found /media/disc/tools/tool: more than "
        u"one name differs from it only in case (/media/disc/tools/TOOL, /media/disc/tools/Tool)",
        u"  Linux:   opens the document readme.txt with the application the user has for its type",
        u"2 problems found."}},
      {"a script on a noexec medium, a Windows program and a program the loader cannot start, checked on Linux",
       kLinux,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nrun.sh\r\nSETUP.EXE /S\r\nstatic\r\n"},
        {u"run.sh", "#!/bin/sh\n"},
        {u"SETUP.EXE", "MZ"},
        {u"static", std::string("\x7f" "ELF\x02\x01\x01", 7)}},
       {{u"/cd/run.sh", RunPermission::kMediumForbids}, {u"/cd/static", RunPermission::kNoExecuteBit}},
       kExitMenuProblems,
       {u"  Linux:   reports run-time error 70",
        u"  line 5, Linux: the launcher reports Run-time error '70': Permission denied /media/disc/run.sh: this system "
        u"does not allow programs to run from the medium it is on (it is mounted noexec)",
        u"  Linux:   hands the Windows program SETUP.EXE to the desktop's application for Windows programs, if it has "
        u"one, with the arguments \"/S\"",
        u"  line 7, Linux: the launcher reports Run-time error '70': Permission denied /media/disc/static: a program "
        u"without execute permission, which the disc's format does not keep: burn the disc with Rock Ridge (xorriso "
        u"-as mkisofs -r -J), which keeps it",
        u"2 problems found."}},
      {"what Windows cannot hold, and targets that leave the disc",
       kLinux,
       {{u"Kivora.ini", "P\nA\nB\nC\nwhat?.exe\n..\\up.exe\n\\abs.exe\nextra\n"},
        {u"what?.exe", ""}},
       {},
       kExitMenuProblems,
       {u"  line 1, Windows: the line ends with LF alone, which Windows does not take as a line end: save the file "
        u"with CR LF",
        u"  line 2, Windows: the file ends before line 7: the launcher reports Run-time error '62': Input past end of "
        u"file",
        u"  Windows: nothing: the launcher reports an error at its start",
        u"  line 5, Windows: \"what?.exe\" holds a character Windows does not allow in a name (< > : \" | ? *): rename it",
        u"  line 6, Linux: ..\\ climbs above the launcher's folder, and there is nothing above a disc's root: keep what "
        u"it starts below the launcher",
        u"  line 7, Linux: an absolute path or a drive letter: write the path relative to the launcher's folder",
        u"  line 8, Linux: the file goes on after line 7: the launcher ignores the rest"}},
      {"a NUL, an empty target, a long name and text without a mark",
       kWindows,
       {{u"Kivora.ini", std::string("P\r\nA\r\nB\xe9\r\nC\r\na\0b\r\n\r\n", 20) + std::string(65, 'n') + ".exe\r\n"},
        {std::u16string(65, u'n') + u".exe", ""}},
       {},
       kExitMenuProblems,
       {u"  line 3, both: text beyond ASCII without a byte-order mark is read in each system's own character set, and "
        u"reads otherwise on a system of another: save the file as UTF-8 with a byte-order mark",
        u"  target:  a\u2400b",
        u"  line 5, both: the line holds a NUL character, which ends a name (a UTF-16 file saved without its byte-order "
        u"mark has them): the launcher reports Run-time error '52': Bad file name or number",
        u"  line 6, both: the target is empty, so Next has nothing to start: name a program",
        u"  line 7, both: \"" + std::u16string(65, u'n') +
            u".exe\" is longer than 64 characters, which Joliet cuts when the disc is burned: shorten it"}},
      {"\"/\" between folders, and a drive letter, checked on Windows",
       kWindows,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nsetup/setup.exe\r\nC:\\x.exe\r\nhttps://example.com\r\n"},
        {u"setup/setup.exe", "MZ"}},
       {},
       kExitMenuProblems,
       {u"  Windows: starts setup/setup.exe",
        u"  line 6, both: an absolute path or a drive letter: write the path relative to the launcher's folder",
        u"3 problems found."}},  // and not "C:" taken for a name
      {"no menu", kLinux, {{u"menu.ini", ""}}, {}, kExitMenuMissing,
       {u"No Kivora.ini in /cd: the launcher shows \"Error!\" and ends."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.rules = c.host;
    system.folder = c.host.separator == u'/' ? u"/cd" : u"D:\\m";
    for (const auto& [name, bytes] : c.files) {
      std::u16string path = system.folder;
      for (const std::u16string& part : {name}) {
        path += c.host.separator;
        for (char16_t ch : part) path += ch == u'/' ? c.host.separator : ch;
      }
      system.files[path] = bytes;
      // The folders on the way.
      for (size_t at = path.find(c.host.separator, system.folder.size() + 1); at != std::u16string::npos;
           at = path.find(c.host.separator, at + 1))
        system.others[path.substr(0, at)] = FileKind::kFolder;
    }
    system.permissions = c.permissions;
    CheckResult result = CheckMenu(u"", system);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(HasLines(result.lines, c.lines));
  }
}

TEST(ParseCommand, OnlyItsOwnArgumentsLeaveTheLauncher) {
  const struct {
    std::vector<std::u16string> arguments;
    Command::Mode mode;
    std::u16string folder;
  } cases[] = {
      {{}, Command::kLauncher, u""},
      {{u"--check"}, Command::kCheck, u""},
      {{u"--check", u"E:\\disc"}, Command::kCheck, u"E:\\disc"},
      {{u"--check", u"a", u"b"}, Command::kLauncher, u""},
      {{u"--help"}, Command::kHelp, u""},
      {{u"--version"}, Command::kVersion, u""},
      {{u"/check"}, Command::kLauncher, u""},
      {{u"--version", u"x"}, Command::kLauncher, u""},
  };
  for (const auto& c : cases) {
    Command command = ParseCommand(c.arguments);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.folder, c.folder);
  }
}

}  // namespace
}  // namespace kivora::testing

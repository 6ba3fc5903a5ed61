// The menu check on the fake system, run as on Windows and as on Linux: what
// it tells of each entry, every problem it finds, and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/check.h"
#include "core/command.h"
#include "core/menu_file.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

// A check's lines, and whether each wanted one is among them: a whole line,
// or with "…" first a phrase in one, or with "¬" first a phrase in none.
::testing::AssertionResult HasLines(const std::vector<std::u16string>& lines, const std::vector<std::u16string>& wanted) {
  for (const std::u16string& w : wanted) {
    const bool phrase = w[0] == u'\u2026', absent = w[0] == u'\u00ac';
    const std::u16string text = phrase || absent ? w.substr(1) : w;
    bool found = std::any_of(lines.begin(), lines.end(), [&](const std::u16string& l) {
      return phrase || absent ? l.find(text) != std::u16string::npos : l == text;
    });
    if (found != absent) continue;
    std::string all;
    for (const std::u16string& l : lines) all += Utf16ToUtf8(l) + "\n";
    return ::testing::AssertionFailure() << (absent ? "there: " : "missing: ") << Utf16ToUtf8(w) << "\nin:\n" << all;
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
    std::map<std::u16string, FileKind> others = {};  // full paths: the checked folder is D:\m or /cd
    HiddenMarks marks = HiddenMarks::kNone;        // as the system shows them on the medium checked
    std::set<std::u16string> hidden = {};          // files with the mark, relative to the folder
  } cases[] = {
      {"a clean menu, checked on Windows",
       kWindows,
       {{u"Kivora.ini", "&Pick\r\nA\r\nB\r\nC\r\nsetup /s \"a b\"\r\nhttps://example.com\r\nmanual.pdf\r\n"},
        {u"setup.exe", PeProgram()},
        {u"manual.pdf", "%PDF"}},
       {},
       kExitMenuProblems,
       {u"Prompt (line 1): Pick", u"  caption: A", u"  target:  setup /s \"a b\"",
        u"  Windows: starts setup.exe with the command line /s \"a b\"",
        u"\u2026(/media/disc/Kivora.ini, line 5: /media/disc/setup: no such file)",
        u"  line 5, Linux: Next reports Run-time error '53': File not found",
        u"  Windows: opens https://example.com in the user's web browser",
        u"  Windows: opens the document manual.pdf with the application the user has for its type",
        u"  Linux:   opens the document manual.pdf with the application the user has for its type",
        u"1 problem found."}},
      {"Windows programs by their PE header, checked on Windows, beside two of the launchers",
       kWindows,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nsetup\r\narm.exe\r\nbroken.exe\r\n"},
        {u"Kivora.exe", PeProgram()},
        {u"kivora-aarch64", "\x7f" "ELF"},
        {u"setup.exe", PeProgram(0x8664)},
        {u"arm.exe", PeProgram(0xaa64)},
        {u"broken.exe", "MZ"}},
       {},
       kExitMenuProblems,
       {u"Starts on: Windows (Kivora.exe), 64-bit ARM Linux (kivora-aarch64); no launcher here for x86-64 Linux "
        u"(kivora).",
        u"  line 5, Windows, note: setup.exe is a 64-bit x86 program: 32-bit Windows does not start it",
        u"  line 6, Windows: arm.exe is a program for 64-bit ARM: only Windows on ARM starts it; name a 32-bit x86 "
        u"program, which every Windows starts",
        u"  line 7, Windows: Next reports Run-time error '5': Invalid procedure call or argument"}},
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
        u"  Linux:   starts setup/install.sh with 1 argument: \"--go\" (through /bin/sh, as it has no execute "
        u"permission)",
        u"  line 5, Windows: Windows opens Setup\\Install.sh only where the user has an application for its type, and "
        u"none comes with Windows: name a Windows program for Windows",
        u"  line 5, Windows: a document takes no arguments: the launcher opens Setup\\Install.sh without them",
        u"  line 5, Linux, note: the disc has it as setup/install.sh: the launcher finds it so",
        u"\u2026line 6: /media/disc/tools/tool: more than one name differs from it only in case",
        u"  line 6, Linux: Next reports Run-time error '53': File not found",
        u"  Linux:   opens the document readme.txt with the application the user has for its type",
        u"4 problems found, and 1 note."}},
      {"a script on a noexec medium, a Windows program and a program the loader cannot start, checked on Linux",
       kLinux,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nrun.sh\r\nSETUP.EXE /S\r\nstatic\r\n"},
        {u"run.sh", "#!/bin/sh\n"},
        {u"SETUP.EXE", PeProgram()},
        {u"static", std::string("\x7f" "ELF\x02\x01\x01", 7)}},
       {{u"/cd/run.sh", RunPermission::kMediumForbids}, {u"/cd/static", RunPermission::kNoExecuteBit}},
       kExitMenuProblems,
       {u"\u2026Run-time error '70': Permission denied (/media/disc/Kivora.ini, line 5: /media/disc/run.sh: this system "
        u"does not allow programs to run",
        u"  line 5, Linux: Next reports Run-time error '70': Permission denied",
        u"  Windows: starts SETUP.EXE with the command line /S",
        u"  Linux:   starts the Windows program SETUP.EXE where the system runs such programs itself, else hands it to "
        u"the desktop's application for them with 1 argument: \"/S\"",
        u"  Linux:   starts a copy of static that has the permission to run (a program that names no loader (linked "
        u"statically)), in the launcher's folder",
        u"3 problems found."}},  // and for Windows, run.sh and static open with nothing that comes with it
      {"a Linux program, checked on Windows, which cannot tell what Linux has",
       kWindows,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nrun\r\nstatic\r\nrun\r\n"},
        {u"run", Elf(true, "/lib64/ld-linux-x86-64.so.2")},
        {u"static", Elf(true, "")}},
       {},
       kExitMenuProblems,
       {u"\u2026Linux:   starts run (through /lib64/ld-linux-x86-64.so.2 where the disc keeps no execute permission)",
        u"\u2026Linux:   starts a copy of static that has the permission to run where the disc keeps none"}},
      {"a menu of one line", kLinux, {{u"Kivora.ini", "P\n"}}, {}, kExitMenuProblems, {u"Prompt (line 1): P"}},
      {"a program for another machine, checked on Linux",
       kLinux,
       {{u"Kivora.ini", "P\nA\nB\nC\narm\narm\narm\n"}, {u"arm", Elf(true, "/lib/ld-linux-aarch64.so.1", 183)}},
       {{u"/cd/arm", RunPermission::kNoExecuteBit}},
       kExitMenuProblems,
       {u"\u2026arm: a program for 64-bit ARM Linux: this system cannot run it"}},
      {"what Windows cannot hold, and targets that leave the disc",
       kLinux,
       {{u"Kivora.ini", "P\nA\nB\nC\nwhat?.exe\n..\\up.exe\n\\abs.exe\nextra\n"},
        {u"what?.exe", ""}},
       {},
       kExitMenuProblems,
       {u"Read as ASCII, the same on every system.", u"\u00achidden mark",  // the medium keeps none
        u"\u2026(D:\\Kivora.ini, line 6: D:\\..\\up.exe: no such file)",
        u"  Windows: starts what?.exe",
        u"  Linux:   opens the document what?.exe with the application the user has for its type",
        u"  line 5, Windows: \"what?.exe\" holds a character Windows does not allow in a name (< > : \" | ? *): rename it",
        u"  line 6, both: ..\\ climbs above the launcher's folder: from a folder it reaches what lies beside that "
        u"folder, but on a disc's root there is nothing above (Windows stays at the root, Linux leaves the disc): keep "
        u"what it starts below the launcher",
        u"  line 6, both: Next reports Run-time error '53': File not found",
        u"  line 7, both: an absolute path or a drive letter: write the path relative to the launcher's folder",
        u"  line 8, both, note: the file goes on after line 7: the launcher ignores the rest"}},
      {"a NUL, an empty target, a long name and text without a mark",
       kWindows,
       {{u"Kivora.ini", std::string("P\r\nA\r\nB\xe9\r\nC\r\na\0b\r\n\r\n", 20) + std::string(65, 'n') + ".exe\r\n"},
        {std::u16string(65, u'n') + u".exe", ""}},
       {},
       kExitMenuProblems,
       {u"Read in a Windows code page: Windows reads it in its ANSI code page, Linux in the Windows page of its "
        u"locale's language (here Windows-1252).",
        u"  line 3, both: text beyond ASCII in a code page reads otherwise on a system of another language: save the "
        u"file as UTF-8",
        u"  target:  a\u2400b",
        u"  line 5, both: the line holds a NUL character, which ends a name (a UTF-16 file saved without its byte-order "
        u"mark has them)",
        u"  line 5, both: Next reports Run-time error '52': Bad file name or number",
        u"\u2026(D:\\Kivora.ini, line 6: the line is empty: it names no program to start)",
        u"  line 7, both: \"" + std::u16string(65, u'n') +
            u".exe\" is longer than 64 characters, which Joliet cuts when the disc is burned: shorten it"}},
      {"\"/\" between folders, and a drive letter, checked on Windows",
       kWindows,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nsetup/setup.exe\r\nC:\\x.exe\r\nhttps://example.com\r\n"},
        {u"setup/setup.exe", PeProgram()}},
       {},
       kExitMenuProblems,
       {u"  Windows: starts setup/setup.exe",
        u"  line 6, both: an absolute path or a drive letter: write the path relative to the launcher's folder",
        u"2 problems found."}},  // and not "C:" taken for a name
      {"UTF-8 without a mark, as Notepad saves it: the same text on both, found on both",
       kLinux,
       {{u"Kivora.ini", "P\r\nS\xc3\xa9lection\r\nB\r\nC\r\n\xc3\x9c" "ber\\t1\r\nx\r\ny\r\n"}, {u"\u00dcber/t1", "#!"}},
       {},
       kExitMenuProblems,
       {u"Read as UTF-8 (every line is UTF-8), on both systems.", u"  caption: S\u00e9lection",
        u"  Linux:   starts \u00dcber/t1", u"  Windows: opens the document \u00dcber\\t1 with the application the user has for its type",
        u"3 problems found."}},  // x and y, and a script for Windows
      {"names Windows drops a dot from or keeps for a device, on the boundaries",
       kWindows,
       {{u"Kivora.ini", "P\r\nA\x80\r\nB\r\nC\r\ndir.\\SETUP.EXE\r\nCON.txt\r\n" + std::string(60, 'n') + ".exe\r\n"},
        {u"dir./SETUP.EXE", PeProgram()}, {u"CON.txt", ""}, {std::u16string(60, u'n') + u".exe", PeProgram()}},
       {},
       kExitMenuProblems,
       {u"  line 2, both: text beyond ASCII in a code page reads otherwise on a system of another language: save the "
        u"file as UTF-8",
        u"  Windows: starts dir.\\SETUP.EXE",
        u"  line 5, Windows: \"dir.\" ends in a dot or a blank, which Windows drops from a name: rename it",
        u"  line 6, Windows: \"CON.txt\" is a name Windows keeps for a device: rename it",
        u"  Windows: starts " + std::u16string(60, u'n') + u".exe",
        u"3 problems found."}},
      {"a line over the cap after the seventh is never read",
       kWindows,
       {{u"Kivora.ini", "P\r\nA\r\nB\r\nC\r\nhttps://a.example\r\nhttps://b.example\r\nhttps://c.example\r\n" +
                            std::string(kMaxLineBytes + 1, 'x')}},
       {},
       kExitClosed,
       {u"After line 7:", u"  line 8, both, note: the file goes on after line 7: the launcher ignores the rest",
        u"No problem found, and 1 note."}},
      {"a note after the seventh line has no say in the reading",
       kLinux,
       {{u"Kivora.ini", "P\nA\nB\nC\nhttps://a.example\nhttps://b.example\nhttps://c.example\nnot\xe9\n"}},
       {},
       kExitClosed,
       {u"Read as ASCII, the same on every system."}},
      {"a hidden menu, checked on Windows", kWindows, {}, {}, kExitMenuMissing,
       {u"\u2026hidden or a system file: the launcher for Windows does not see it and shows \"Error!\""},
       {{u"D:\\m\\Kivora.ini", FileKind::kHidden}}},
      {"a hidden menu on a FAT stick, checked on Linux", kLinux, {{u"Kivora.ini", "P\nA\nB\nC\na\nb\nc\n"}}, {},
       kExitMenuMissing, {u"\u2026the launcher for Windows does not see it"}, {}, HiddenMarks::kShown, {u"Kivora.ini"}},
      {"a short menu, on a medium whose hidden mark this system cannot read", kLinux,
       {{u"Kivora.ini", "P\nA\nB\n"}}, {}, kExitMenuProblems,
       {u"\u2026line 4, both: the launcher reports Run-time error '62'", u"\u2026cannot see the hidden mark"}, {},
       HiddenMarks::kUnseen},
      {"a line over the cap in the menu", kWindows,
       {{u"Kivora.ini", "P\r\nA\r\n" + std::string(kMaxLineBytes + 1, 'x')}}, {}, kExitMenuProblems,
       {u"\u2026line 3, both: the launcher reports Run-time error '7'"}},
      {"a disc that shows ISO 9660 versions, checked on Linux", kLinux,
       {{u"KIVORA.INI;1", "P\r\nA\r\nB\r\nC\r\nSETUP\\SETUP.EXE\r\nREADME\r\nhttps://a.example\r\n"},
        {u"SETUP/SETUP.EXE;1", PeProgram()}, {u"README.;1", "text"}}, {}, kExitMenuProblems,
       {u"\u2026Windows: starts SETUP\\SETUP.EXE", u"\u2026Windows: opens the document README", u"\u00ac'53'"}},
      {"no such folder", kWindows, {}, {}, kExitMenuMissing, {u"There is no folder D:\\m."}, {{u"D:\\m", FileKind::kNone}}},
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
    system.hiddenMarks = c.marks;
    for (const std::u16string& name : c.hidden) system.hidden.insert(system.folder + c.host.separator + name);
    system.others[system.folder] = FileKind::kFolder;
    for (const auto& [path, kind] : c.others) system.others[path] = kind;
    CheckResult result = CheckMenu(u"", system);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(HasLines(result.lines, c.lines));
  }
}

TEST(ParseCommand, TakesItsOwnArgumentsAndNamesTheFirstItDoesNot) {
  const struct {
    std::vector<std::u16string> arguments;
    Command::Mode mode;
    std::u16string folder;  // for kCheck; for kUnknown, the argument not taken
  } cases[] = {
      {{}, Command::kLauncher, u""},
      {{u"--check"}, Command::kCheck, u""},
      {{u"--check", u"E:\\disc"}, Command::kCheck, u"E:\\disc"},
      {{u"--check", u"D:\\", u"extra"}, Command::kUnknown, u"extra"},
      {{u"--help"}, Command::kHelp, u""},
      {{u"--version"}, Command::kVersion, u""},
      {{u"/check", u"D:\\"}, Command::kUnknown, u"/check"},
      {{u"--Check"}, Command::kUnknown, u"--Check"},
      {{u"--chek"}, Command::kUnknown, u"--chek"},
      {{u"--version", u"x"}, Command::kUnknown, u"x"},
      {{u"--help", u"x"}, Command::kUnknown, u"x"},
      {{u"/?"}, Command::kHelp, u""},
      {{u"-h"}, Command::kHelp, u""},
      {{u"--check", u"C:\\my disc\""}, Command::kCheck, u"C:\\my disc"},  // what cmd gives for "C:\my disc\"
      {{u"--check", u"\""}, Command::kCheck, u"\""},                          // a quote alone, not the default folder
  };
  for (const auto& c : cases) {
    Command command = ParseCommand(c.arguments);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.mode == Command::kUnknown ? command.argument : command.folder, c.folder);
  }
}

// What a command printed, on which stream.
struct RecordingPrinter : Printer {
  std::u16string out, error;
  void Print(const std::u16string& line) override { out += line + u"\n"; }
  void PrintError(const std::u16string& line) override { error += line + u"\n"; }
  void ShowReport(const RuntimeError& e) override { out += e.ReportLine(); }
  [[noreturn]] void End(ExitStatus status) override { throw FakeEnd{status}; }
};

TEST(RunCommand, AnArgumentItDoesNotTakeIsAUsageErrorNeverAPass) {
  const struct {
    Command command;
    int status;
    std::u16string out, error;  // a phrase each prints, "" for nothing
  } cases[] = {
      {{Command::kUnknown, u"", u"--chek"}, kExitUsage, u"", u"unknown argument \"--chek\""},
      {{Command::kUnknown, u"", u"-x"}, kExitUsage, u"", u"Usage: Kivora.com [--check"},
      {{Command::kLauncher, u"", u""}, kExitUsage, u"without: it checks nothing", u""},  // Kivora.com alone
      {{Command::kHelp, u"", u""}, kExitClosed, u"usage error: exit status 4", u""},
  };
  for (const auto& c : cases) {
    RecordingPrinter printer;
    EXPECT_EQ(RunCommand(c.command, {u"Kivora.com", u"without: it checks nothing", u"here"}, printer), c.status);
    EXPECT_NE(printer.out.find(c.out), std::u16string::npos) << Utf16ToUtf8(printer.out);
    EXPECT_EQ(printer.error.empty(), c.error.empty());
    EXPECT_NE(printer.error.find(c.error), std::u16string::npos) << Utf16ToUtf8(printer.error);
  }
}

}  // namespace
}  // namespace kivora::testing

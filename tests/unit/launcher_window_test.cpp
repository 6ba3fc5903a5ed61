// The window's handlers on the fake system: start-up, the menu file, "Next",
// the close picture and the way each failure ends the program.
#include <gtest/gtest.h>

#include <cerrno>

#include "core/menu_file.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

constexpr char kMenu[] = "P\r\nA\r\nB\r\nC\r\none.exe\r\ntwo.exe\r\nthree.exe\r\n";

// Runs the load event as the back end does; the status it ended with, if any.
std::optional<ExitStatus> Load(FakeSystem& system, LauncherWindow& window) {
  try {
    Dispatch(system, [&] { window.OnLoad(); });
  } catch (const FakeEnd& end) {
    return end.status;
  }
  return std::nullopt;
}

TEST(RunLauncher, OpensWithTheSelectedChoiceFocusedOrReportsOnStandardErrorBeforeTheBox) {
  FakeSystem shown;
  shown.files[u"D:\\menu\\Kivora.ini"] = kMenu;
  EXPECT_EQ(RunLauncher(shown, shown, shown), kExitClosed);
  EXPECT_EQ(shown.focused, Control::kChoice1);
  FakeSystem failed;
  failed.files[u"D:\\menu\\Kivora.ini"] = "P\r\nA\r\n";
  try {
    RunLauncher(failed, failed, failed);
    ADD_FAILURE() << "no end";
  } catch (const FakeEnd& end) {
    EXPECT_EQ(end.status, kExitRuntimeError);
  }
  ASSERT_EQ(failed.errors.size(), 1u);
  EXPECT_EQ(failed.errors[0].line, u"kivora: Run-time error '62': Input past end of file D:\\menu\\Kivora.ini, line 3");
  EXPECT_EQ(failed.errors[0].messagesBefore, 0u) << "the line comes before the box";
  EXPECT_EQ(failed.messages.size(), 1u);
  EXPECT_FALSE(failed.focused) << "the window was shown";
}

TEST(Dispatch, ReportsWhatLeavesAHandlerAndEnds) {
  const struct {
    std::function<void()> handler;
    std::u16string report;
  } cases[] = {
      {[] { Raise(RuntimeError(kErrFileNotFound, u"x")); }, RuntimeError(kErrFileNotFound, u"x").Report()},
      {[] { throw std::bad_alloc(); }, RuntimeError(kErrOutOfMemory).Report()},
      {[] { std::u16string().reserve(std::u16string().max_size() + 1); }, RuntimeError(kErrInvalidCall).Report()},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    try {
      Dispatch(system, c.handler);
      ADD_FAILURE() << "no end";
    } catch (const FakeEnd& end) {
      EXPECT_EQ(end.status, kExitRuntimeError);
    }
    EXPECT_EQ(system.messages, std::vector<std::u16string>{c.report});
  }
}

TEST(OnLoad, CentresTheWindowEvenWhenItIsAboutToEnd) {
  FakeSystem system;
  system.monitor = {1280, 0, 1280, 1024};
  LauncherWindow window(system, system, system);
  EXPECT_EQ(Load(system, window), kExitMenuMissing);
  ASSERT_TRUE(system.placedAt);
  EXPECT_EQ(system.placedAt->x, 1710) << "1280 + (1280 - 421) / 2, rounded";
  EXPECT_EQ(system.placedAt->y, 389) << "(1024 - 247) / 2, rounded";
}

TEST(OnLoad, OnlyANormalFileNamedKivoraIniIsAMenu) {
  const struct {
    const char* name;
    std::u16string folder;
    FileKind kind;  // of <folder>\Kivora.ini, as probed
    std::u16string probed;
  } cases[] = {
      {"a folder", u"D:\\menu", FileKind::kFolder, u"D:\\menu\\Kivora.ini"},
      {"a hidden file", u"D:\\menu", FileKind::kHidden, u"D:\\menu\\Kivora.ini"},
      {"a FIFO", u"D:\\menu", FileKind::kOther, u"D:\\menu\\Kivora.ini"},
      {"nothing, at a drive root: two separators in a row", u"D:\\", FileKind::kNone, u"D:\\\\Kivora.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.folder = c.folder;
    system.others[c.probed] = c.kind;
    system.files[c.probed + u".bak"] = kMenu;
    LauncherWindow window(system, system, system);
    EXPECT_EQ(Load(system, window), kExitMenuMissing);
    EXPECT_EQ(system.probed, std::vector<std::u16string>{c.probed});
    EXPECT_EQ(system.messages, std::vector<std::u16string>{u"Error!"});
    EXPECT_TRUE(system.texts.empty()) << "nothing was loaded";
  }
}

TEST(OnLoad, OnLinuxTheMenuFileIsFoundInAnyCase) {
  const struct {
    std::vector<std::u16string> names;  // beside the launcher in /cd
    std::optional<ExitStatus> ended;
    std::u16string report;
    bool hidden = false;  // the names bear the hidden mark, as Linux shows it on a FAT stick
  } cases[] = {
      {{u"KIVORA.INI"}, std::nullopt, u""},
      {{u"Kivora.ini"}, std::nullopt, u"", true},  // read, as the user sees it listed
      {{u"Kivora.ini", u"kivora.ini"}, std::nullopt, u""},  // the exact name wins
      {{u"KIVORA.INI", u"kivora.ini"}, kExitRuntimeError,
       u"Run-time error '53':\n\nFile not found\n\n/cd/Kivora.ini: more than one name differs from it only in case "
       u"(/cd/KIVORA.INI, /cd/kivora.ini)"},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.rules = kLinux;
    system.folder = u"/cd";
    for (const std::u16string& name : c.names) {
      system.files[u"/cd/" + name] = "P\nA\nB\nC\na\nb\nc\n";
      if (c.hidden) system.hidden.insert(u"/cd/" + name);
    }
    LauncherWindow window(system, system, system);
    EXPECT_EQ(Load(system, window), c.ended);
    if (c.ended) {
      EXPECT_EQ(system.messages, std::vector<std::u16string>{c.report});
    } else {
      EXPECT_EQ(system.texts[Control::kChoice1], u"A");
    }
  }
}

TEST(OnLoad, TakesTheFirstSevenLinesWhole) {
  const struct {
    const char* name;
    std::string file;
    Conventions rules;
    std::u16string lines[7];
  } cases[] = {
      {"CR LF", kMenu, kWindows, {u"P", u"A", u"B", u"C", u"one.exe", u"two.exe", u"three.exe"}},
      {"CR alone", "P\rA\rB\rC\ra\rb\rc\r", kWindows, {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"LF on Linux", "P\nA\nB\nC\na\nb\nc", kLinux, {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"LF on Windows too", "P\nA\nB\nC\na\nb\nc\n", kWindows, {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"UTF-8 without a mark", "S\xc3\xa9lection\r\nA\r\nB\r\nC\r\n\xc3\x9c" "ber\\t1\r\nb\r\nc\r\n", kWindows,
       {u"S\u00e9lection", u"A", u"B", u"C", u"\u00dcber\\t1", u"b", u"c"}},
      {"eight lines", "P\r\nA\r\nB\r\nC\r\na\r\nb\r\nc\r\nextra\r\n", kWindows,
       {u"P", u"A", u"B", u"C", u"a", u"b", u"c"}},
      {"spaces, key=value and empty lines kept", "  \r\nname = value\r\n\r\nC \r\n\r\n b\r\nc", kWindows,
       {u"  ", u"name = value", u"", u"C ", u"", u" b", u"c"}},
      {"bytes in the system's character set", "\xe9t\xe9\r\nA\r\nB\r\nC\r\na\r\nb\r\nc\r\n", kWindows,
       {u"\u00e9t\u00e9", u"A", u"B", u"C", u"a", u"b", u"c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.rules = c.rules;
    system.folder = c.rules.separator == u'/' ? u"/media/cd" : u"D:\\menu";
    system.files[system.folder + c.rules.separator + u"Kivora.ini"] = c.file;
    LauncherWindow window(system, system, system);
    EXPECT_EQ(Load(system, window), std::nullopt);
    EXPECT_EQ(system.texts[Control::kPrompt], c.lines[0]);
    EXPECT_EQ(system.texts[Control::kChoice1], c.lines[1]);
    EXPECT_EQ(system.texts[Control::kChoice2], c.lines[2]);
    EXPECT_EQ(system.texts[Control::kChoice3], c.lines[3]);
    EXPECT_EQ(window.targets(), (std::array<std::u16string, 3>{c.lines[4], c.lines[5], c.lines[6]}));
    EXPECT_TRUE(system.messages.empty());
  }
}

TEST(OnLoad, AMenuThatCannotBeReadWholeEndsWithTheReport) {
  const std::u16string path = u"D:\\menu\\Kivora.ini";
  const struct {
    const char* name;
    std::string file;
    std::optional<SystemCode> openFails;
    std::u16string report;
  } cases[] = {
      {"six lines", "P\r\nA\r\nB\r\nC\r\na\r\nb\r\n", {},
       u"Run-time error '62':\n\nInput past end of file\n\nD:\\menu\\Kivora.ini, line 7"},
      {"empty", "", {}, u"Run-time error '62':\n\nInput past end of file\n\nD:\\menu\\Kivora.ini, line 1"},
      {"a line over the cap", std::string(kMaxLineBytes + 1, 'x'), {},
       u"Run-time error '7':\n\nOut of memory\n\nD:\\menu\\Kivora.ini, line 1 is longer than 32768 bytes"},
      {"refused (Linux)", "", SystemCode{SystemCode::kErrno, EACCES},
       u"Run-time error '70':\n\nPermission denied\n\nD:\\menu\\Kivora.ini: scripted failure"},
      {"gone since the check (Windows)", "", SystemCode{SystemCode::kWin32, 2},
       u"Run-time error '53':\n\nFile not found\n\nD:\\menu\\Kivora.ini: scripted failure"},
      {"locked (Windows)", "", SystemCode{SystemCode::kWin32, 32},
       u"Run-time error '70':\n\nPermission denied\n\nD:\\menu\\Kivora.ini: scripted failure"},
      {"a scratched disc", "", SystemCode{SystemCode::kErrno, EIO}, u"Run-time error '57':\n\nDevice I/O error"},
      {"any other failure to read", "", SystemCode{SystemCode::kErrno, EXDEV}, u"Run-time error '75'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.files[path] = c.file;
    if (c.openFails) system.openFails[path] = *c.openFails;
    LauncherWindow window(system, system, system);
    EXPECT_EQ(Load(system, window), kExitRuntimeError);
    ASSERT_EQ(system.messages.size(), 1u);
    EXPECT_EQ(system.messages[0].substr(0, c.report.size()), c.report);
  }
}

TEST(OnLoad, CaptionsReadBeforeAnErrorStaySet) {
  FakeSystem system;
  system.files[u"D:\\menu\\Kivora.ini"] = "P\r\nA\r\nB\r\nC\r\n";
  LauncherWindow window(system, system, system);
  EXPECT_EQ(Load(system, window), kExitRuntimeError);
  EXPECT_EQ(system.texts[Control::kChoice3], u"C");
}

// A window loaded from kMenu, in D:\menu.
struct Loaded {
  FakeSystem system;
  LauncherWindow window{system, system, system};
  Loaded() {
    system.files[u"D:\\menu\\Kivora.ini"] = kMenu;
    for (const char16_t* program : {u"D:\\menu\\one.exe", u"D:\\menu\\two.exe", u"D:\\menu\\three.exe"})
      system.files[program] = PeProgram();
    system.Build(window.layout(), window);
    window.OnLoad();
  }
  std::vector<std::u16string> Started() const {
    std::vector<std::u16string> programs;
    for (const Launch& launch : system.started) programs.push_back(launch.program);
    return programs;
  }
};

TEST(OnNext, StartsOnEachPressButAPressWithinTheDoubleClickTimeOfAStartIsTheSamePress) {
  const struct {
    std::vector<long long> presses;  // when "Next" is pressed, in milliseconds
    int starts;
    std::optional<long long> pressTime = {};  // -1: a press the system gives no time for
  } cases[] = {
      {{0, 499}, 1},        // a double click
      {{0, 500}, 2},        // two clicks
      {{0, 300, 600}, 2},   // counted from the start, not from the press it ignored
      {{0, 700, 1000}, 2},  // and from the latest start
      {{0, 300}, 1, -1},    // by the clock where the press has no time
  };
  for (const auto& c : cases) {
    Loaded menu;
    menu.system.pressTime = c.pressTime;
    menu.system.Choose(Control::kChoice2);
    for (long long at : c.presses) {
      menu.system.clock = at;
      menu.window.OnNext();
    }
    EXPECT_EQ(menu.Started(), std::vector<std::u16string>(size_t(c.starts), u"D:\\menu\\two.exe")) << c.presses[1];
  }
  Loaded busy;  // a double click handled late: its presses came 80 ms apart
  for (long long at : {0, 900}) {
    busy.system.clock = at;
    busy.system.pressTime = at / 900 * 80;
    busy.window.OnNext();
  }
  EXPECT_EQ(busy.Started().size(), 1u) << "a double click handled late starts once";
  Loaded wrapped;  // the system's 32-bit clock of events went round between two presses a second apart
  for (long long at : {0, 1000}) {
    wrapped.system.clock = at;
    wrapped.system.pressTime = at == 0 ? 4294967000 : 704;
    wrapped.window.OnNext();
  }
  EXPECT_EQ(wrapped.Started().size(), 2u) << "a press after the clock of events went round is a press";
  Loaded held;  // Enter held down: the key's repeats come past the double-click time
  for (long long at : {0, 600, 1200}) {
    held.system.clock = at;
    held.window.OnNext(at != 0);
  }
  EXPECT_EQ(held.Started().size(), 1u) << "a held key starts once";
  Loaded pumped;
  pumped.system.onPump = [&] {
    pumped.system.clock += 100;
    pumped.window.OnNext();  // the second click of a double click, waiting while the first started
  };
  pumped.window.OnNext();
  EXPECT_EQ(pumped.Started().size(), 1u);
  EXPECT_EQ(pumped.system.pumpsBeforeStart, std::vector<int>{0}) << "events are pumped after each start";
  EXPECT_EQ(pumped.system.pumps, 1);
}

TEST(OnNext, ALaterChoiceMadeWhileEventsArePumpedStartsInTheSameClick) {
  Loaded menu;
  menu.system.onPump = [&] { menu.system.Choose(Control::kChoice3); };
  menu.window.OnNext();
  EXPECT_EQ(menu.Started(), (std::vector<std::u16string>{u"D:\\menu\\one.exe", u"D:\\menu\\three.exe"}));
}

TEST(OnNext, AStartIsInTheLaunchersFolderWhereverTheLauncherWasStartedFrom) {
  Loaded menu;
  menu.system.folder = u"D:\\";  // the folder keeps its separator, where the command line drops it
  menu.system.files[u"D:\\one.exe"] = PeProgram();
  menu.window.OnNext();
  ASSERT_EQ(menu.system.started.size(), 1u);
  EXPECT_EQ(menu.system.started[0].commandLine, u"D:\\one.exe");
  EXPECT_EQ(menu.system.started[0].folder, u"D:\\");
}

// A launcher whose first target is target, beside a file of bytes (none for
// no file), on the system of rules (in D:\menu, or /cd on Linux).
struct FirstTarget : Loaded {
  FirstTarget(Conventions rules, const std::u16string& target, const char* bytes) {
    system.rules = rules;
    if (rules.separator == u'/') system.folder = u"/cd";
    if (bytes) system.files[system.folder + rules.separator + target] = bytes;
    system.files[system.folder + rules.separator + u"Kivora.ini"] =
        "P\r\nA\r\nB\r\nC\r\n" + Utf16ToUtf8(target) + "\r\nb\r\nc\r\n";
    window.OnLoad();
  }
};

// The program is decided before the start (see Decide): what the system
// then answers is reported, never taken for a document.
TEST(OnNext, AFailedStartEndsWithTheSystemsAnswer) {
  const std::u16string concerns = u"D:\\menu\\Kivora.ini, line 5: D:\\menu\\one.exe: scripted failure";
  const struct {
    SystemCode code;
    int number;
  } cases[] = {
      {{SystemCode::kErrno, ENOENT}, kErrFileNotFound},
      {{SystemCode::kErrno, EACCES}, kErrPermissionDenied},
      {{SystemCode::kErrno, ENOEXEC}, kErrInvalidCall},  // an ELF for another machine
      {{SystemCode::kErrno, ENOTDIR}, kErrFileNotFound},
      {{SystemCode::kErrno, EPERM}, kErrPermissionDenied},
      {{SystemCode::kErrno, ENAMETOOLONG}, kErrBadFileName},
      {{SystemCode::kErrno, EXDEV}, kErrInvalidCall},
      {{SystemCode::kWin32, 123}, kErrFileNotFound},  // a name Windows refuses
      {{SystemCode::kWin32, 206}, kErrBadFileName},   // a name too long
      {{SystemCode::kWin32, 3}, kErrFileNotFound},
      {{SystemCode::kWin32, 5}, kErrPermissionDenied},
      {{SystemCode::kWin32, 193}, kErrInvalidCall},  // a junk or 16-bit .exe
      {{SystemCode::kWin32, 21}, kErrDeviceIO},      // no disc in the drive
      {{SystemCode::kWin32, 23}, kErrDeviceIO},      // a scratched disc
      {{SystemCode::kWin32, 30}, kErrDeviceIO},
      {{SystemCode::kWin32, 112}, kErrDiskFull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code.value);
    Loaded menu;
    menu.system.startFails = c.code;
    try {
      Dispatch(menu.system, [&] { menu.window.OnNext(); });
      ADD_FAILURE() << "the launcher went on";
    } catch (const FakeEnd& end) {
      EXPECT_EQ(end.status, kExitRuntimeError);
      EXPECT_EQ(menu.system.messages, std::vector<std::u16string>{RuntimeError(c.number, concerns).Report()});
      EXPECT_TRUE(menu.system.opened.empty()) << "opened as a document";
    }
  }
}

TEST(OnNext, AnAddressIsOpenedUnlessItHoldsANulAndAMissingDocumentIsNot) {
  const struct {
    std::u16string target;
    std::vector<std::u16string> opened, started;
    int number;  // of the report, 0 for none
  } cases[] = {
      {u"https://example.com/kivora?a=1 b", {u"https://example.com/kivora?a=1 b"}, {}, 0},
      {u"HTTP://example.com", {u"HTTP://example.com"}, {}, 0},
      {u"mailto:help@example.com", {u"mailto:help@example.com"}, {}, 0},
      {u"httpd.exe -k", {}, {u"D:\\menu\\httpd.exe"}, 0},
      {std::u16string(u"https://example.com/\0.exe", 25), {}, {}, kErrBadFileName},  // as a file name with one
      {u"manual.pdf", {}, {}, kErrFileNotFound},
  };
  for (const auto& c : cases) {
    FirstTarget menu(kWindows, c.target, nullptr);
    menu.system.files[u"D:\\menu\\httpd.exe"] = PeProgram();
    menu.system.probed.clear();
    int reported = 0;
    try {
      Dispatch(menu.system, [&] { menu.window.OnNext(); });
    } catch (const FakeEnd&) {
      reported = std::stoi(Utf16ToUtf8(menu.system.messages.at(0).substr(16)));  // Run-time error '<number>'
    }
    EXPECT_EQ(reported, c.number);
    EXPECT_EQ(menu.system.opened, c.opened);
    EXPECT_EQ(menu.Started(), c.started);
    if (!c.opened.empty()) {
      EXPECT_TRUE(menu.system.probed.empty()) << "looked for in the folder";
    }
  }
}

TEST(OnNext, WhatNoApplicationOpensIsAMessageInTheSystemsWordsAndTheMenuStays) {
  const struct {
    std::u16string target, systemWords, message;
  } cases[] = {
      {u"manual.pdf", u"Bad EXE format for D:\\menu\\manual.pdf.", u"Bad EXE format for D:\\menu\\manual.pdf."},
      {u"https://example.com", u"no browser", u"https://example.com: no browser"},
  };
  for (const auto& c : cases) {
    FirstTarget menu(kWindows, c.target, "%PDF");
    menu.system.noApplication = c.systemWords;
    menu.window.OnNext();  // no end
    EXPECT_EQ(menu.system.messages, std::vector<std::u16string>{c.message});
    menu.system.clock = 1;
    menu.window.OnNext();
    EXPECT_EQ(menu.system.messages.size(), 2u) << "nothing opened, so a press at once is no double click";
  }
}

TEST(OnNext, OnLinuxCarriesOutWhatTheFileIsAndStartsNothingOnceTheFolderIsGone) {
  const struct {
    const char* name;
    std::string bytes;  // of /media/cd/Setup/run
    RunPermission permission;
    bool folderRemains;
    Handed windowsApplication;
    std::vector<std::u16string> started, handed;  // the program and its arguments, once for a double click
    std::u16string report;                        // what the report says, "" for none
    std::vector<std::u16string> copied = {};      // started from a copy with the permission
    std::optional<SystemCode> startFails = {};
  } cases[] = {
      {"a script followed by its archive", std::string("#!/bin/sh\n\x1f\x8b\x08\0", 14), RunPermission::kNoExecuteBit,
       true, Handed::kStarted, {}, {}, u"", {u"/media/cd/Setup/run", u"/S"}},
      {"a script without execute permission", "#!/bin/sh\n", RunPermission::kNoExecuteBit, true, Handed::kStarted,
       {u"/bin/sh", u"/media/cd/Setup/run", u"/S"}, {}, u""},
      {"a Windows program", "MZ", RunPermission::kNoExecuteBit, true, Handed::kStarted, {},
       {u"/media/cd/Setup/run", u"/S"}, u""},
      {"a Windows program and no application for it", "MZ", RunPermission::kNoExecuteBit, true,
       Handed::kNoApplication, {}, {}, u"'5': Invalid procedure call or argument /media/cd/Kivora.ini, line 5: "
                                        u"/media/cd/Setup/run: a Windows program; this system has no application"},
      {"a Windows program and an application that takes no arguments", "MZ", RunPermission::kNoExecuteBit, true,
       Handed::kTakesNoArguments, {}, {}, u"'5': Invalid procedure call or argument /media/cd/Kivora.ini, line 5: "
                                           u"/media/cd/Setup/run: a Windows program; the application this system "
                                           u"has for them takes no arguments"},
      {"a Windows program that may run and cannot be started for another cause", "MZ", RunPermission::kYes, true,
       Handed::kStarted, {}, {}, u"'53': File not found /media/cd/Kivora.ini, line 5: /media/cd/Setup/run: scripted",
       {}, SystemCode{SystemCode::kErrno, ENOENT}},
      {"a Windows program the system does not run itself, handed on", "MZ", RunPermission::kYes, true,
       Handed::kStarted, {}, {u"/media/cd/Setup/run", u"/S"}, u"", {}, SystemCode{SystemCode::kErrno, ENOEXEC}},
      {"the disc ejected", "#!/bin/sh\n", RunPermission::kYes, false, Handed::kStarted, {}, {},
       u"'75': Path/File access error /media/cd: the disc or folder the launcher was started from is no longer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.rules = kLinux;
    system.folder = u"/media/cd";
    system.files[u"/media/cd/Kivora.ini"] = "P\nA\nB\nC\nSetup\\run /S\nb\nc\n";
    system.files[u"/media/cd/Setup/run"] = c.bytes;
    system.permissions[u"/media/cd/Setup/run"] = c.permission;
    system.windowsApplication = c.windowsApplication;
    system.startFails = c.startFails;
    LauncherWindow window(system, system, system);
    window.OnLoad();
    system.folderRemains = c.folderRemains;
    try {
      Dispatch(system, [&] {
        window.OnNext();
        system.clock += 100;
        window.OnNext();  // a double click
      });
      EXPECT_EQ(c.report, u"") << "the launcher went on";
    } catch (const FakeEnd& end) {
      EXPECT_EQ(end.status, kExitRuntimeError);
      ASSERT_EQ(system.errors.size(), 1u);  // the report's line, as on standard error
      EXPECT_NE(system.errors[0].line.find(c.report), std::u16string::npos) << Utf16ToUtf8(system.errors[0].line);
    }
    auto commands = [](const std::vector<Launch>& launches) {
      std::vector<std::u16string> all;
      for (const Launch& l : launches) {
        all.push_back(l.program);
        all.insert(all.end(), l.arguments.begin(), l.arguments.end());
      }
      return all;
    };
    EXPECT_EQ(commands(system.started), c.started);
    EXPECT_EQ(commands(system.handed), c.handed);
    EXPECT_EQ(commands(system.copied), c.copied);
    EXPECT_TRUE(system.opened.empty()) << "opened as a document";
  }
}

// From a drive's root: the report shows the menu's path and the target's as
// Windows writes them, with one backslash after the drive.
TEST(OnNext, AReportFromADrivesRootNamesTheMenusLineAndTheFileAsWindowsWritesThem) {
  FakeSystem system;
  system.folder = u"D:\\";
  system.files[u"D:\\\\Kivora.ini"] = "P\r\nA\r\nB\r\nC\r\n\\tools\\missing.exe /q\r\nb\r\nc\r\n";
  LauncherWindow window(system, system, system);
  window.OnLoad();
  EXPECT_THROW(Dispatch(system, [&] { window.OnNext(); }), FakeEnd);
  ASSERT_EQ(system.messages.size(), 1u);
  EXPECT_NE(system.messages[0].find(u"D:\\Kivora.ini, line 5: D:\\tools\\missing.exe: no such file"), std::u16string::npos)
      << Utf16ToUtf8(system.messages[0]);
}

TEST(OnNext, ReportsACopyThatCannotBeMadeAndAFileThatCannotBeRead) {
  const struct {
    const char* name;
    std::optional<SystemCode> copyFails, readFails;
    bool folderRemains;
    std::u16string report;  // its start
  } cases[] = {
      {"a full disk", SystemCode{SystemCode::kErrno, ENOSPC}, {}, true, u"Run-time error '61'"},
      {"a copy that fails for another cause", SystemCode{SystemCode::kErrno, EXDEV}, {}, true, u"Run-time error '5'"},
      {"a scratched disc", {}, SystemCode{SystemCode::kErrno, EIO}, true, u"Run-time error '57'"},
      {"a file unreadable for another cause", {}, SystemCode{SystemCode::kErrno, ESTALE}, true, u"Run-time error '75'"},
      {"a stick pulled out", {}, SystemCode{SystemCode::kErrno, EIO}, false, u"Run-time error '75'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.rules = kLinux;
    system.folder = u"/media/stick";
    system.files[u"/media/stick/Kivora.ini"] = "P\nA\nB\nC\nsetup.run\nb\nc\n";
    system.files[u"/media/stick/setup.run"] = std::string("#!/bin/sh\n\0", 11);
    system.permissions[u"/media/stick/setup.run"] = RunPermission::kNoExecuteBit;
    system.copyFails = c.copyFails;
    if (c.readFails) system.readFails[u"/media/stick/setup.run"] = *c.readFails;
    LauncherWindow window(system, system, system);
    window.OnLoad();
    system.folderRemains = c.folderRemains;
    EXPECT_THROW(Dispatch(system, [&] { window.OnNext(); }), FakeEnd);
    ASSERT_EQ(system.messages.size(), 1u);
    EXPECT_EQ(system.messages[0].substr(0, c.report.size()), c.report);
    if (c.copyFails) {
      EXPECT_NE(system.messages[0].find(u"copy it to a folder"), std::u16string::npos) << "a stick's advice";
    }
    EXPECT_TRUE(system.started.empty() && system.opened.empty());
  }
}

// The close picture's events as the back ends report them: "p" a press on
// it, "r" a release after it or over it, "l" the press lost to another window.
TEST(ClosePicture, EndsOnAReleaseOnlyAfterAPressOnIt) {
  const struct {
    const char* events;
    bool ends;
    CloseLook look;  // at the end, or when it ended
  } cases[] = {
      {"pr", true, CloseLook::kNormal},
      {"p", false, CloseLook::kPressed},
      {"r", false, CloseLook::kNormal},   // pressed elsewhere, released over the picture
      {"plr", false, CloseLook::kNormal},
      {"l", false, CloseLook::kNormal},
      {"ppr", true, CloseLook::kNormal},  // a second button, then the first release
      {"plpr", true, CloseLook::kNormal},
      {"rpr", true, CloseLook::kNormal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.events);
    Loaded menu;
    bool ended = false;
    try {
      for (const char* e = c.events; *e; ++e) {
        if (*e == 'p') menu.window.OnClosePress();
        if (*e == 'r') menu.window.OnCloseRelease();
        if (*e == 'l') menu.window.OnClosePressLost();
      }
    } catch (const FakeEnd& end) {
      EXPECT_EQ(end.status, kExitClosed);
      ended = true;
    }
    EXPECT_EQ(ended, c.ends);
    EXPECT_EQ(menu.system.look, c.look);
  }
}

TEST(OnDpiChanged, LaysOutAndFitsEveryTextAgain) {
  Loaded menu;
  menu.window.OnDpiChanged(144);
  EXPECT_EQ(menu.system.layouts, (std::vector<int>{96, 144}));
  EXPECT_EQ(menu.system.bounds[Control::kNext].top, 285) << "2850 twips at 144 DPI";
  EXPECT_EQ(menu.system.bounds[Control::kPrompt].left, 21);
  EXPECT_EQ(menu.system.texts[Control::kChoice2], u"B") << "the menu's text, not the placeholder";
}

TEST(OnDpiChanged, APromptCutAtOneResolutionIsShownWholeWhereItFits) {
  // 60 characters of 8 pixels: more than the 393 pixels at 96 DPI, less than the 589 at 144.
  const std::u16string prompt = u"&" + std::u16string(60, u'p');
  FakeSystem system;
  system.files[u"D:\\menu\\Kivora.ini"] = Utf16ToUtf8(prompt) + "\r\nA\r\nB\r\nC\r\na\r\nb\r\nc\r\n";
  LauncherWindow window(system, system, system);
  window.OnLoad();
  EXPECT_EQ(system.texts[Control::kPrompt].back(), u'\u2026') << "cut at 96 DPI";
  window.OnDpiChanged(144);
  EXPECT_EQ(system.texts[Control::kPrompt], prompt.substr(1)) << "whole at 144 DPI";
  EXPECT_EQ(system.accessKeys[Control::kPrompt], 0u);
}

}  // namespace
}  // namespace kivora::testing

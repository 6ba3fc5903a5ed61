// Starting programs on Linux with real files: no shell, the Windows splitting,
// and a child that is on its own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>

#include <chrono>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "backends/posix/posix_files.h"
#include "backends/posix/posix_process.h"
#include "core/launch.h"
#include "core/launcher_window.h"
#include "core/runtime_error.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::posix {
namespace {

constexpr Conventions kLinux = kLinuxConventions;

class PosixProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivora launch XXXXXX";  // a blank in the folder
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    mkdir((dir_ + "/inst").c_str(), 0755);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  void Install(const std::string& name) { std::system(("cp '" RECORD_ARGS "' '" + dir_ + "/" + name + "'").c_str()); }

  // Waits up to seconds for the started program to write its record.
  std::string Record(const std::string& name, double seconds = 5) {
    std::string path = dir_ + "/" + name + ".out";
    for (int i = 0; i < seconds * 100; ++i) {
      std::ifstream in(path);
      if (in) {
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
  }

  Launch Resolved(const std::string& target) { return Resolved(Utf8ToUtf16(dir_), Utf8ToUtf16(target)); }
  Launch Resolved(const std::u16string& folder, const std::u16string& target) {
    Resolution resolution = Resolve(folder, target, kLinux, files_.Lookup());
    if (resolution.refused) throw *resolution.refused;
    return resolution.launch;
  }

  // A menu line started as "Next" starts it.
  void Start(const std::string& target) { EXPECT_FALSE(posix::Start(Resolved(target))) << target; }

  // "Next" on a menu whose first target is target, as the launcher decides
  // and carries it out, with the real files and processes in the test's
  // folder (documents are recorded, not opened): the number of the report
  // it ends with, 0 for none; and whether it opened the file as a document.
  std::pair<int, bool> ErrorOf(const std::string& target) {
    struct InFolder : PosixFiles {
      std::u16string folder;
      std::u16string LauncherFolder() override { return folder; }
      bool LauncherFolderRemains() override { return true; }
    } files;
    files.folder = Decode(dir_);
    struct Recording : PosixPrograms {
      std::vector<std::u16string> opened;
      std::optional<std::u16string> Open(const Launch& launch) override {
        opened.push_back(launch.program);
        return std::nullopt;
      }
    } programs;
    std::ofstream(dir_ + "/Kivora.ini", std::ios::binary) << "P\nA\nB\nC\n" << target << "\nb\nc\n";
    kivora::testing::FakeSystem window;  // the window alone
    LauncherWindow launcher(window, files, programs);
    window.Build(launcher.layout(), launcher);
    try {
      Dispatch(window, [&] {
        launcher.OnLoad();
        launcher.OnNext();
      });
    } catch (const kivora::testing::FakeEnd&) {
      const std::string report = window.messages.empty() ? "" : Utf16ToUtf8(window.messages.back());
      size_t at = report.find("error '");
      return {at == std::string::npos ? -1 : std::stoi(report.substr(at + 7)), false};
    }
    return {0, !programs.opened.empty()};
  }

  std::string dir_;
  PosixFiles files_;
};

TEST_F(PosixProcess, ArgumentsAreSplitAsWindowsDoesAndNothingIsLeftOpen) {
  Install("inst/a prog");
  // A descriptor the launcher holds without close-on-exec, at the lowest free
  // number from 3: the child must not get it.
  int held = fcntl(STDIN_FILENO, F_DUPFD, 3);
  ASSERT_GE(held, 3);
  Start("inst\\a prog -q \"two words\" a\\\"b; touch pwned");
  close(held);
  std::string record = Record("inst/a prog");
  EXPECT_EQ(record.substr(0, record.find("sid:")),
            "arg:-q\narg:two words\narg:a\"b;\narg:touch\narg:pwned\nfds: 0 1 2\n");
  EXPECT_NE(access((dir_ + "/pwned").c_str(), F_OK), 0) << "a shell ran the line";
  EXPECT_NE(record.find("\ncwd:" + dir_ + "\n"), std::string::npos) << "not in the launcher's folder: " << record;
}

TEST_F(PosixProcess, TheChildHasItsOwnSessionAndDefaultSignalHandling) {
  Install("inst/p");
  // A launcher started with "nohup" or from a shell's background ignores
  // SIGINT and SIGHUP, and one started by a program that blocks SIGTERM has
  // it blocked; the program it starts must inherit neither.
  struct sigaction ignore {}, oldInt, oldHup;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGINT, &ignore, &oldInt);
  sigaction(SIGHUP, &ignore, &oldHup);
  sigset_t term, old;
  sigemptyset(&term);
  sigaddset(&term, SIGTERM);
  sigprocmask(SIG_BLOCK, &term, &old);
  Start("inst\\p");
  sigprocmask(SIG_SETMASK, &old, nullptr);
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGHUP, &oldHup, nullptr);
  std::string record = Record("inst/p");
  size_t sid = record.find("sid:"), pid = record.find(" pid:");
  ASSERT_NE(pid, std::string::npos) << record;
  EXPECT_EQ(record.substr(sid + 4, pid - sid - 4), record.substr(pid + 5, record.find('\n', pid) - pid - 5))
      << "the child leads a session of its own";
  auto mask = [&](const std::string& key) {
    size_t at = record.find(key);
    return at == std::string::npos ? ~0ull : std::stoull(record.substr(at + key.size(), 16), nullptr, 16);
  };
  EXPECT_EQ(mask("sigign:") & (1ull << (SIGINT - 1) | 1ull << (SIGHUP - 1)), 0u) << record;
  EXPECT_EQ(mask("sigblk:"), 0u) << record;
}

TEST_F(PosixProcess, FailuresToStartAreRunTimeErrorsOrDocuments) {
  std::ofstream(dir_ + "/inst/notes.txt") << "not a program";
  std::ofstream(dir_ + "/inst/garbage") << "\x01\x02 not a program either";
  chmod((dir_ + "/inst/garbage").c_str(), 0755);
  std::ofstream(dir_ + "/inst/broken") << "\x7f" "ELF, but no program the system can load";
  chmod((dir_ + "/inst/broken").c_str(), 0755);
  Install("inst/p");
  const struct {
    const char* target;
    int error;
    bool document;
  } cases[] = {
      {"inst\\missing.exe", kErrFileNotFound, false},
      {"inst\\notes.txt", 0, true},                     // no execute permission, and no program's header
      {"inst", kErrPermissionDenied, false},             // a folder
      {"", kErrPermissionDenied, false},                 // the launcher's folder itself
      {"inst\\garbage", 0, true},                       // an execute bit, but no program's header
      {"inst\\broken", kErrInvalidCall, false},          // a program's header the system cannot run (ENOEXEC)
      {"inst\\p", 0, false},                            // started
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.target), std::make_pair(c.error, c.document)) << c.target;
}

TEST_F(PosixProcess, InABig5LocaleNamesAndArgumentsAreTheFilesOwnBytes) {
  ASSERT_TRUE(std::setlocale(LC_CTYPE, "zh_TW.BIG5")) << "zh_TW.BIG5 is not generated (tools/bootstrap makes it)";
  const std::string folder = "\xa5\x5c\xaf\xe0";  // 功能, whose 功 ends in the byte of "\"
  mkdir((dir_ + "/" + folder).c_str(), 0755);
  Install(folder + "/t2");
  // The menu line as the launcher has it: decoded from the file's Big5 bytes.
  std::u16string target = Decode(folder + "\\t2 \xb3\x5c\xa5\x5c\xbb\x5c \xa6\x77\xb8\xcb");
  EXPECT_FALSE(posix::Start(Resolved(Decode(dir_), target)));
  std::string record = Record(folder + "/t2");
  EXPECT_EQ(record.substr(0, record.find("fds:")), "arg:\xb3\x5c\xa5\x5c\xbb\x5c\narg:\xa6\x77\xb8\xcb\n");
  Install("inst/p");
  EXPECT_EQ(ErrorOf("inst\\p caf\xc3\xa9").first, kErrBadFileName) << "Big5 has no \u00e9: not started, and said why";
  EXPECT_EQ(Record("inst/p", 0.5), "") << "started with the character left out";
  std::setlocale(LC_CTYPE, "C.UTF-8");
}

TEST_F(PosixProcess, ManyStartsLeaveNoZombie) {
  Install("inst/p");
  for (int i = 0; i < 30; ++i) Start("inst\\p");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::string cmd = "ps -o stat= --ppid " + std::to_string(getpid()) + " | grep -c Z > '" + dir_ + "/zombies'";
  std::system(cmd.c_str());
  std::ifstream in(dir_ + "/zombies");
  int zombies = -1;
  in >> zombies;
  EXPECT_EQ(zombies, 0);
}

// A file that carries its own payload starts from a copy with the bit, in
// the cache: one copy for each version of the file, taken again by a later
// start, and copies a day old removed.
TEST_F(PosixProcess, APayloadStartsFromOneCopyInTheCacheAndOldCopiesGo) {
  Install("inst/rec");
  const std::string run = dir_ + "/cache/kivora/run";
  std::system(("mkdir -p '" + run + "/old' && touch -d '2 days ago' '" + run + "/old'").c_str());
  std::ofstream(dir_ + "/inst/setup.run") << "#!/bin/sh\nexec '" << dir_ << "/inst/rec' \"$@\"\n" << std::string(1, '\0');
  const char* cache = getenv("XDG_CACHE_HOME");
  const std::string before = cache ? cache : "";
  setenv("XDG_CACHE_HOME", (dir_ + "/cache").c_str(), 1);
  PosixPrograms programs;
  for (int start = 0; start < 2; ++start) {
    std::remove((dir_ + "/inst/rec.out").c_str());
    EXPECT_FALSE(programs.StartCopy(Resolved("inst\\setup.run --go")));
    EXPECT_NE(Record("inst/rec").find("arg:--go\n"), std::string::npos) << "start " << start;
  }
  cache ? setenv("XDG_CACHE_HOME", before.c_str(), 1) : unsetenv("XDG_CACHE_HOME");
  std::vector<std::string> copies;
  for (const auto& entry : std::filesystem::directory_iterator(run)) copies.push_back(entry.path().filename());
  ASSERT_EQ(copies.size(), 1u) << "one copy, the day-old one gone";
  struct stat st;
  ASSERT_EQ(stat((run + "/" + copies[0] + "/setup.run").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR) << "the copy may run";
}

// GIO's default applications, set in private XDG folders before anything in
// this process asks GIO for one: real desktop files, as desktops install
// them, for plain text, Windows programs and a few more types, whose
// handlers take the file as %f, as %u or among the files of %F, and are
// named by path or by a bare name found on PATH.
TEST_F(PosixProcess, DocumentsAndWindowsProgramsGoToTheUsersApplicationsWithTheirOwnBytes) {
  const std::string data = dir_ + "/xdg-data", config = dir_ + "/xdg-config";
  mkdir(data.c_str(), 0755);
  mkdir((data + "/applications").c_str(), 0755);
  mkdir(config.c_str(), 0755);
  mkdir((dir_ + "/bin").c_str(), 0755);
  const struct {
    const char* name;
    const char* type;
    std::string exec;
  } handlers[] = {
      {"text", "text/plain", "\"" + dir_ + "/inst/text\" %f"},
      {"windows", "application/x-ms-dos-executable", "\"" + dir_ + "/inst/windows\" %f"},
      {"uri", "text/csv", "kivora-uri --open %u %i"},  // bare, on PATH
      {"files", "text/html", "\"" + dir_ + "/inst/files\" %F"},
  };
  std::ofstream mimeapps(config + "/mimeapps.list");
  mimeapps << "[Default Applications]\n";
  for (const auto& h : handlers) {
    Install(std::string("inst/") + h.name);
    std::ofstream(data + "/applications/kivora-" + h.name + ".desktop")
        << "[Desktop Entry]\nType=Application\nName=" << h.name << "\nExec=" << h.exec << "\n";
    mimeapps << h.type << "=kivora-" << h.name << ".desktop\n";
  }
  mimeapps.close();
  Install("bin/kivora-uri");
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("PATH", (dir_ + "/bin:" + getenv("PATH")).c_str(), 1);
  // A stick written on a Latin-1 system, read in a UTF-8 locale.
  const std::string folder = dir_ + "/caf\xe9";
  mkdir(folder.c_str(), 0755);
  std::ofstream(folder + "/notes.txt") << "a manual";
  std::ofstream(folder + "/SETUP.EXE", std::ios::binary) << std::string("MZ\x90\0\3\0\0\0", 8);
  PosixPrograms programs;
  Launch document{Decode(folder + "/notes.txt"), true, false, u"", {}, u"", u"notes.txt", Decode(folder)};
  EXPECT_FALSE(programs.Open(document));
  std::string record = Record("inst/text");
  EXPECT_EQ(record.substr(0, record.find("fds:")), "arg:" + folder + "/notes.txt\n") << "the path's own bytes";
  Launch setup{Decode(folder + "/SETUP.EXE"), true, false, u" /S", {u"/S"}, u"", u"SETUP.EXE /S", Decode(folder)};
  EXPECT_EQ(programs.StartWindowsProgram(setup), Handed::kStarted);
  record = Record("inst/windows");
  EXPECT_EQ(record.substr(0, record.find("fds:")), "arg:" + folder + "/SETUP.EXE\narg:/S\n") << "with its argument";
  // The same hand-over to the other handlers: the file's place in their command line.
  std::ofstream(dir_ + "/list.csv") << "a,b\n";
  std::ofstream(dir_ + "/page.html") << "<html></html>\n";
  std::string uri = "file://" + dir_ + "/list.csv";
  for (size_t at = uri.find(' '); at != std::string::npos; at = uri.find(' ')) uri.replace(at, 1, "%20");
  Launch list{Decode(dir_ + "/list.csv"), true, false, u" /S", {u"/S"}, u"", u"list.csv /S", Decode(dir_)};
  EXPECT_EQ(programs.StartWindowsProgram(list), Handed::kStarted);
  record = Record("bin/kivora-uri");
  EXPECT_EQ(record.substr(0, record.find("fds:")), "arg:--open\narg:" + uri + "\narg:/S\n") << "%u, by a bare name";
  Launch page{Decode(dir_ + "/page.html"), true, false, u" /S", {u"/S"}, u"", u"page.html /S", Decode(dir_)};
  EXPECT_EQ(programs.StartWindowsProgram(page), Handed::kTakesNoArguments) << "%F has no place for one file's arguments";
}

}  // namespace
}  // namespace kivora::posix

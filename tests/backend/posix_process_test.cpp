// Starting programs on Linux with real files: no shell, the Windows splitting,
// and a child that is on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "backends/posix/posix_files.h"
#include "backends/posix/posix_process.h"
#include "core/launch.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora::posix {
namespace {

constexpr Conventions kLinux{u'/', LineEnds::kCrCrLfOrLf, u""};

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

  // Waits up to 5 s for the started program to write its record.
  std::string Record(const std::string& name) {
    std::string path = dir_ + "/" + name + ".out";
    for (int i = 0; i < 500; ++i) {
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

  // A menu line started as "Next" starts it.
  int Start(const std::string& target) {
    return posix::Start(ResolveLaunch(Utf8ToUtf16(dir_), Utf8ToUtf16(target), kLinux, Probe));
  }

  int ErrorOf(const std::string& target) {
    try {
      Start(target);
    } catch (const RuntimeError& e) {
      return e.number();
    }
    return 0;
  }

  std::string dir_;
};

TEST_F(PosixProcess, ArgumentsAreSplitAsWindowsDoesAndNothingIsLeftOpen) {
  Install("inst/a prog");
  Start("inst\\a prog -q \"two words\" a\\\"b; touch pwned");
  std::string record = Record("inst/a prog");
  EXPECT_EQ(record.substr(0, record.find("sid:")),
            "arg:-q\narg:two words\narg:a\"b;\narg:touch\narg:pwned\nfds: 0 1 2\n");
  EXPECT_NE(access((dir_ + "/pwned").c_str(), F_OK), 0) << "a shell ran the line";
}

TEST_F(PosixProcess, TheChildHasItsOwnSession) {
  Install("inst/p");
  std::string pid = std::to_string(Start("inst\\p"));
  EXPECT_NE(Record("inst/p").find("sid:" + pid + " pid:" + pid + "\n"), std::string::npos);
}

TEST_F(PosixProcess, FailuresToStartAreRunTimeErrors) {
  std::ofstream(dir_ + "/inst/notes.txt") << "not a program";
  const struct {
    const char* target;
    int error;
  } cases[] = {
      {"inst\\missing.exe", kErrFileNotFound},
      {"inst\\notes.txt", kErrPermissionDenied},  // no execute permission
      {"inst", kErrPermissionDenied},             // a folder
      {"", kErrPermissionDenied},                 // the launcher's folder itself
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.target), c.error) << c.target;
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

}  // namespace
}  // namespace kivora::posix

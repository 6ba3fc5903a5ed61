// Turning the launcher's folder and a menu line into the program to start,
// for Windows' paths and Linux's.
#include <gtest/gtest.h>

#include <set>

#include "core/launch.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

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
       u"D:\\menu\\inst\\a.exe", u" /q", u"D:\\menu\\inst\\a.exe /q", u"D:\\menu\\inst\\a.exe /q"},
      {"a blank in the folder is never a cut, and the program is quoted", kWindows, u"D:\\My Tools",
       u"inst\\a.exe -q x", {u"D:\\My.exe", u"D:\\My Tools\\inst\\a.exe"}, u"D:\\My Tools\\inst\\a.exe", u" -q x",
       u"\"D:\\My Tools\\inst\\a.exe\" -q x", u"D:\\My Tools\\inst\\a.exe -q x"},
      {"the shortest cut that names a file", kWindows, u"D:\\m", u"my app --go", {u"D:\\m\\my app", u"D:\\m\\my"},
       u"D:\\m\\my", u" app --go", u"D:\\m\\my app --go", u"D:\\m\\my app --go"},
      {"a blank in the target", kWindows, u"D:\\m", u"my app --go", {u"D:\\m\\my app"}, u"D:\\m\\my app",
       u" --go", u"\"D:\\m\\my app\" --go", u"D:\\m\\my app --go"},
      {"Windows adds .exe", kWindows, u"D:\\m", u"setup /s", {u"D:\\m\\setup.exe"}, u"D:\\m\\setup.exe", u" /s",
       u"D:\\m\\setup.exe /s", u"D:\\m\\setup /s"},
      {"..\\ climbs from the launcher's folder", kWindows, u"D:\\menu", u"..\\tools\\one.exe -a",
       {u"D:\\menu\\..\\tools\\one.exe"}, u"D:\\menu\\..\\tools\\one.exe", u" -a",
       u"D:\\menu\\..\\tools\\one.exe -a", u"D:\\menu\\..\\tools\\one.exe -a"},
      {"nothing found: the program is the target up to its first blank", kWindows, u"D:\\m", u"missing -q", {},
       u"D:\\m\\missing", u" -q", u"D:\\m\\missing -q", u"D:\\m\\missing -q"},
      {"an empty target is the folder itself", kWindows, u"D:\\m", u"", {}, u"D:\\m\\", u"", u"D:\\m\\",
       u"D:\\m\\"},
      {"Linux reads \\ as /, in the program only", kLinux, u"/media/cd", u"inst\\setup.sh C:\\x",
       {u"/media/cd/inst/setup.sh"}, u"/media/cd/inst/setup.sh", u" C:\\x", u"/media/cd/inst/setup.sh C:\\x",
       u"/media/cd/inst/setup.sh C:\\x"},
      {"the root of Linux", kLinux, u"/", u"a.sh", {u"//a.sh"}, u"//a.sh", u"", u"//a.sh", u"//a.sh"},
      {"a three-letter folder is no root", kLinux, u"/cd", u"a.sh", {u"/cd/a.sh"}, u"/cd/a.sh", u"", u"/cd/a.sh",
       u"/cd/a.sh"},
      {"a \\ in the launcher's own folder is kept on Linux", kLinux, u"/tmp/a\\b", u"x", {u"/tmp/a\\b/x"},
       u"/tmp/a\\b/x", u"", u"/tmp/a\\b/x", u"/tmp/a\\b/x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto probe = [&](const std::u16string& path) { return c.files.count(path) ? FileKind::kNormal : FileKind::kNone; };
    Launch launch = ResolveLaunch(c.folder, c.target, c.rules, probe);
    EXPECT_EQ(launch.program, c.program);
    EXPECT_EQ(launch.argumentLine, c.argumentLine);
    EXPECT_EQ(launch.commandLine, c.commandLine);
    EXPECT_EQ(launch.shown, c.shown);
  }
}

TEST(ResolveLaunch, SplitsTheArgumentsAndTakesNoFolderForAProgram) {
  const std::set<std::u16string> files = {u"/m/inst/a prog", u"/m/inst"};
  auto probe = [&](const std::u16string& path) {
    return path == u"/m/inst" ? FileKind::kFolder : files.count(path) ? FileKind::kNormal : FileKind::kNone;
  };
  Launch launch = ResolveLaunch(u"/m", u"inst\\a prog -q \"two words\" a\\\"b; touch pwned", kLinux, probe);
  EXPECT_EQ(launch.program, u"/m/inst/a prog") << "inst is a folder, not the program";
  EXPECT_EQ(launch.arguments, (std::vector<std::u16string>{u"-q", u"two words", u"a\"b;", u"touch", u"pwned"}));
}

}  // namespace
}  // namespace kivora::testing

// Finding a menu's names on a system that compares them with case.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "core/names.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

TEST(FoldedCase, FoldsEveryScriptNotOnlyAscii) {
  const struct {
    std::u16string a, b;
    bool same;
  } cases[] = {
      {u"SETUP.EXE", u"setup.exe", true},
      {u"\u00c9T\u00c9", u"\u00e9t\u00e9", true},                 // Latin-1
      {u"\u0391\u03a3\u03a3", u"\u03b1\u03c3\u03c2", true},       // Greek, final sigma too
      {u"\u0423\u0421\u0422", u"\u0443\u0441\u0442", true},       // Cyrillic
      {u"\u1e9e", u"\u00df", true},                               // capital sharp s
      {u"\u212a", u"k", true},                                    // the Kelvin sign
      {u"\U00010400", u"\U00010428", true},                       // Deseret, beyond 16 bits
      {u"\u13a1\u13ef\u13f1\u13f5", u"\uab71\uabbf\u13f9\u13fd", true},  // Cherokee folds to its capitals
      {u"\u0100\u0101\u0102", u"\u0101\u0100\u0103", true},     // Latin Extended-A: upper and lower alternate
      {u"\u0141\u00d3D\u0179", u"\u0142\u00f3d\u017a", true},   // ŁÓDŹ, łódź
      {u"\u0100", u"\u0102", false},                           // neighbours in the table are not alike
      {u"\u0130", u"i", false},                                   // dotted capital I folds only in Turkish
      {u"setup", u"setup.exe", false},
      {u"a\u00e9", u"ae", false},
  };
  for (const auto& c : cases) EXPECT_EQ(SameIgnoringCase(c.a, c.b), c.same) << Utf16ToUtf8(c.a);
}

// Every character against Unicode's simple case folding as Python has it
// (tools/make_case_folding.py --pairs, at build time): a wrong run, offset or
// step in the table fails here. When Python's Unicode moves on, the table is
// made again.
TEST(FoldedCase, IsUnicodesSimpleFoldingForEveryCharacter) {
  std::ifstream in(CASE_FOLDS);
  std::map<char32_t, char32_t> folds;
  unsigned from, to;
  while (in >> std::hex >> from >> to) folds[from] = to;
  ASSERT_GT(folds.size(), 1000u) << CASE_FOLDS;
  int wrong = 0;
  for (char32_t c = 0; c < 0x110000 && wrong < 5; ++c) {
    auto fold = folds.find(c);
    const char32_t expected = fold == folds.end() ? c : fold->second;
    if (FoldedCase(c) == expected) continue;
    ++wrong;
    ADD_FAILURE() << std::hex << "U+" << unsigned(c) << " folds to U+" << unsigned(FoldedCase(c)) << ", not U+"
                  << unsigned(expected);
  }
}

TEST(FindPath, TakesEachPartAsWrittenOrTheOneNameThatDiffersInCase) {
  // A disc mounted with its plain names in lower case, and a few more.
  const std::map<std::u16string, FileKind> disc = {
      {u"/cd/setup", FileKind::kFolder},        {u"/cd/setup/setup.exe", FileKind::kNormal},
      {u"/cd/Tools", FileKind::kFolder},        {u"/cd/Tools/x", FileKind::kNormal},
      {u"/cd/tools", FileKind::kFolder},        {u"/cd/Readme.txt", FileKind::kNormal},
      {u"/cd/README.TXT", FileKind::kNormal},   {u"/cd/readme.txt", FileKind::kNormal},
      {u"/cd/Kivora.INI", FileKind::kNormal},   {u"/cd/KIVORA.INI", FileKind::kNormal},
      {u"/cd/\u00e9t\u00e9", FileKind::kNormal},
      // A plain ISO 9660 disc listed with its versions.
      {u"/cd/iso", FileKind::kFolder}, {u"/cd/iso/KIVORA.INI;1", FileKind::kNormal}, {u"/cd/iso/SETUP", FileKind::kFolder},
      {u"/cd/iso/SETUP/INSTALL.SH;1", FileKind::kNormal},
      {u"/cd/iso/SETUP/RUN.;1", FileKind::kNormal}, {u"/cd/iso/SETUP/A;1", FileKind::kNormal},
      {u"/cd/iso/SETUP/A;9", FileKind::kNormal}, {u"/cd/iso/SETUP/B;X", FileKind::kNormal},
      {u"/cd/iso/SETUP/C;", FileKind::kNormal},
  };
  const struct {
    const char* name;
    std::u16string target;
    Conventions rules;
    std::u16string path;
    FileKind kind;
    bool caseDiffers;
    std::vector<std::u16string> alike;
  } cases[] = {
      {"as written", u"setup\\setup.exe", kLinux, u"/cd/setup/setup.exe", FileKind::kNormal, false, {}},
      {"a folder and a file in another case", u"SETUP\\Setup.EXE", kLinux, u"/cd/setup/setup.exe",
       FileKind::kNormal, true, {}},
      {"the exact name wins over others in other cases", u"Readme.txt", kLinux, u"/cd/Readme.txt",
       FileKind::kNormal, false, {}},
      {"and within a folder", u"Tools\\x", kLinux, u"/cd/Tools/x", FileKind::kNormal, false, {}},
      {"two that differ only in case, neither exact", u"readme.TXT", kLinux, u"/cd/readme.TXT", FileKind::kNone,
       false, {u"/cd/Readme.txt", u"/cd/README.TXT", u"/cd/readme.txt"}},
      {"a folder two names could be", u"TOOLS\\x", kLinux, u"/cd/TOOLS/x", FileKind::kNone, false,
       {u"/cd/Tools", u"/cd/tools"}},
      {"the menu file beside the launcher", u"kivora.ini", kLinux, u"/cd/kivora.ini", FileKind::kNone, false,
       {u"/cd/Kivora.INI", u"/cd/KIVORA.INI"}},
      {"folded beyond ASCII", u"\u00c9T\u00c9", kLinux, u"/cd/\u00e9t\u00e9", FileKind::kNormal, true, {}},
      {"missing", u"setup\\none.exe", kLinux, u"/cd/setup/none.exe", FileKind::kNone, false, {}},
      {"\"..\" is kept", u"setup\\..\\Readme.txt", kLinux, u"/cd/setup/../Readme.txt", FileKind::kNone, false, {}},
      {"an ISO version", u"iso/KIVORA.INI", kLinux, u"/cd/iso/KIVORA.INI;1", FileKind::kNormal, false, {}},
      {"an ISO version and another case", u"iso\\Setup\\Install.sh", kLinux,
       u"/cd/iso/SETUP/INSTALL.SH;1", FileKind::kNormal, true, {}},
      {"another case, then the name as written but for its ISO version", u"iso\\setup\\INSTALL.SH", kLinux,
       u"/cd/iso/SETUP/INSTALL.SH;1", FileKind::kNormal, true, {}},
      {"a name without an extension", u"iso/setup/run", kLinux, u"/cd/iso/SETUP/RUN.;1", FileKind::kNormal,
       true, {}},
      {"two versions", u"iso/SETUP/A", kLinux, u"/cd/iso/SETUP/A", FileKind::kNone, false,
       {u"/cd/iso/SETUP/A;1", u"/cd/iso/SETUP/A;9"}},
      {"no version but digits", u"iso/SETUP/B", kLinux, u"/cd/iso/SETUP/B", FileKind::kNone, false, {}},
      {"nor a ; alone", u"iso/SETUP/C", kLinux, u"/cd/iso/SETUP/C", FileKind::kNone, false, {}},
      {"Windows finds any case itself", u"SETUP\\SETUP.EXE", kWindows, u"/cd\\SETUP\\SETUP.EXE", FileKind::kNone,
       false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem system;
    system.rules = kLinux;
    for (const auto& [path, kind] : disc) system.others[path] = kind;
    Found found = FindPath(u"/cd", c.target, c.rules, system.Lookup());
    EXPECT_EQ(found.path, c.path);
    EXPECT_EQ(found.kind, c.kind);
    EXPECT_EQ(found.caseDiffers, c.caseDiffers);
    std::vector<std::u16string> alike = found.alike;
    EXPECT_EQ(std::set<std::u16string>(alike.begin(), alike.end()),
              std::set<std::u16string>(c.alike.begin(), c.alike.end()));
  }
}

}  // namespace
}  // namespace kivora::testing

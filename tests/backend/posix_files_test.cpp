// The Linux files back end on real files: what a path names, what cannot be
// opened, reading through a descriptor, decoding in the locale's set.
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "backends/posix/posix_files.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora::posix {
namespace {

class RealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivora-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  std::u16string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    return At(name);
  }
  std::u16string At(const std::string& name) { return Utf8ToUtf16(dir_ + "/" + name); }

  std::vector<std::u16string> ReadAll(const std::u16string& path) {
    TextLines text = ReadLines(files_.OpenFile(path), path, 16, DecodersOf(files_));
    std::vector<std::u16string> lines;
    for (const TextLine& line : text.lines) lines.push_back(line.text);
    if (text.error) {
      EXPECT_EQ(text.error->number(), kErrPastEndOfFile);
    }
    return lines;
  }

  std::string dir_;
  PosixFiles files_;
};

TEST_F(RealFiles, ProbeTellsWhatAPathNames) {
  Write("menu", "x");
  chmod((dir_ + "/menu").c_str(), 0444);  // read-only, as on a CD
  mkdir((dir_ + "/folder").c_str(), 0755);
  mkfifo((dir_ + "/fifo").c_str(), 0644);
  symlink((dir_ + "/menu").c_str(), (dir_ + "/link").c_str());
  symlink("/dev/zero", (dir_ + "/device").c_str());
  const struct {
    const char* name;
    FileKind kind;
  } cases[] = {{"menu", FileKind::kNormal}, {"link", FileKind::kNormal}, {".hidden-is-normal", FileKind::kNormal},
               {"folder", FileKind::kFolder}, {"fifo", FileKind::kOther}, {"device", FileKind::kOther},
               {"missing", FileKind::kNone}};
  Write(".hidden-is-normal", "");
  for (const auto& c : cases) EXPECT_EQ(files_.Probe(At(c.name)), c.kind) << c.name;
  // Not a FAT medium: its format keeps no hidden mark for the check to warn of.
  EXPECT_EQ(files_.HiddenMarksIn(Utf8ToUtf16(dir_)), HiddenMarks::kNone);
}

TEST_F(RealFiles, OpenRefusesWhatIsNotARegularFileWithoutBlocking) {
  mkfifo((dir_ + "/fifo").c_str(), 0644);  // no writer: a blocking open would hang
  mkdir((dir_ + "/folder").c_str(), 0755);
  const struct {
    const char* name;
    int error;
    const char16_t* says;
  } cases[] = {{"fifo", kErrPathAccess, u"/fifo: not a regular file"},
               {"folder", kErrPathAccess, u"/folder: not a regular file"},
               {"missing", kErrFileNotFound, u"/missing: No such file or directory"}};
  for (const auto& c : cases) {
    try {
      files_.OpenFile(At(c.name));
      ADD_FAILURE() << c.name << " opened";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.error) << c.name;
      EXPECT_EQ(e.concerns(), Utf8ToUtf16(dir_) + c.says) << "named as the system names it";
    }
  }
}

TEST_F(RealFiles, LinesOfARealFileInUtf8OrTheLocalesWindowsPage) {
  const struct {
    const char* locale;
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      // UTF-8 where every line is; the C locale's set is ASCII, and reads so too.
      {"C.UTF-8", "\xe5\xae\x89\xe8\xa3\x9d\r\nlast", {u"\u5b89\u88dd", u"last"}},
      {"C", "plain\ncaf\xc3\xa9\n", {u"plain", u"caf\u00e9"}},
      // Else the Windows page of the locale's language; a byte the page has
      // no character for is kept as an escaped byte.
      {"de_DE.UTF-8", "S\xe9lectionnez\r\n\x80 \x81\r\n", {u"S\u00e9lectionnez", u"\u20ac \xDC81"}},
      {"C.UTF-8", "caf\xe9\n", {u"caf\u00e9"}},
      // "安裝" in Big5, then a byte that is not Big5.
      {"zh_TW.BIG5", "\xa6\x77\xb8\xcb\r\n\xff\r\n", {u"\u5b89\u88dd", u"\xDCFF"}},
      // A Big5 lead byte cut off by the line end.
      {"zh_TW.BIG5", "\xa6\x77\xa6\r\n", {u"\u5b89\xDCA6"}},
      // A menu saved on a Windows of each other code page, read in a UTF-8
      // locale of its language.
      {"sk_SK.UTF-8", "\x9d\x61\x9e\x6b\xfd", {u"ťažký"}},
      {"sr_RS", "\xcf\xee\xe4\xe5\xf8\xe0\xe2\xe0\x9c\xe5", {u"Подешавање"}},
      {"el_GR.UTF-8", "\xc5\xe3\xea\xe1\xf4\xdc\xf3\xf4\xe1\xf3\xe7", {u"Εγκατάσταση"}},
      {"tr_TR.UTF-8", "\x4b\x75\x72\x75\x6c\x75\x6d\xf0\xfd\xfe", {u"Kurulumğış"}},
      {"he_IL.UTF-8", "\xe4\xfa\xf7\xf0\xe4", {u"התקנה"}},
      {"ar_EG.UTF-8", "\xca\xcb\xc8\xed\xca", {u"تثبيت"}},
      {"lv_LV.UTF-8", "\x55\x7a\x73\x74\xe2\x64\xee\xf0\x61\x6e\x61", {u"Uzstādīšana"}},
      {"vi_VN", "\xd0\xf5\x6e", {u"Đơn"}},
      {"th_TH.UTF-8", "\xb5\xd4\xb4\xb5\xd1\xe9\xa7", {u"ติดตั้ง"}},
      {"ja_JP.UTF-8", "\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b", {u"インストール"}},
      {"zh_CN.UTF-8", "\xb0\xb2\xd7\xb0\xb3\xcc\xd0\xf2", {u"安装程序"}},
      {"ko_KR.UTF-8", "\xbc\xb3\xc4\xa1", {u"설치"}},
      {"zh_HK.UTF-8", "\xa6\x77\xb8\xcb\xb5\x7b\xa6\xa1", {u"安裝程式"}},
  };
  for (const auto& c : cases) {
    if (!std::setlocale(LC_CTYPE, c.locale)) {
      ADD_FAILURE() << c.locale << " is not generated (tools/bootstrap makes it)";
      continue;
    }
    EXPECT_EQ(ReadAll(Write("menu", c.bytes)), c.lines) << c.locale;
  }
}

TEST_F(RealFiles, MayRunAndHeadTellWhatAFileIs) {
  Write("run", "#!/bin/sh\n");
  chmod((dir_ + "/run").c_str(), 0755);
  Write("plain", "#!/bin/sh\n");
  chmod((dir_ + "/plain").c_str(), 0444);
  Write("archive", "#!/bin/sh\n" + std::string(8000, 'x') + "END");
  mkfifo((dir_ + "/fifo").c_str(), 0644);
  symlink("loop", (dir_ + "/loop").c_str());
  const struct {
    const char* name;
    RunPermission permission;
    std::string first4, last3;
    uint64_t size;
    bool readable;
    int error = 0;  // the system's, where it cannot be read
  } cases[] = {
      {"run", RunPermission::kYes, "#!/b", "sh\n", 10, true},
      {"plain", RunPermission::kNoExecuteBit, "#!/b", "sh\n", 10, true},
      {"archive", RunPermission::kNoExecuteBit, "#!/b", "END", 8013, true},
      {"missing", RunPermission::kNoExecuteBit, "", "", 0, false, ENOENT},
      {"loop", RunPermission::kNoExecuteBit, "", "", 0, false, ELOOP},  // a link to itself
      {"fifo", RunPermission::kNoExecuteBit, "", "", 0, true},  // and no hang, though nothing writes to it
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(files_.MayRun(At(c.name)), c.permission);
    FileHead head = files_.Head(At(c.name));
    EXPECT_EQ(head.first.substr(0, 4), c.first4);
    EXPECT_EQ(head.last.substr(head.last.size() - std::min<size_t>(3, head.last.size())), c.last3);
    EXPECT_EQ(head.first.size(), std::min<uint64_t>(c.size, kHeadBytes));
    EXPECT_EQ(head.size, c.size);
    EXPECT_EQ(!head.unreadable, c.readable);
    if (head.unreadable) {
      EXPECT_EQ(head.unreadable->code.value, unsigned(c.error));
    }
  }
}

TEST_F(RealFiles, TheLauncherFolderHoldsTheRunningProgram) {
  std::u16string folder = files_.LauncherFolder();
  EXPECT_EQ(folder, Utf8ToUtf16(std::filesystem::read_symlink("/proc/self/exe").parent_path().string()));
  EXPECT_EQ(files_.Probe(folder + u"/kivora_posix_tests"), FileKind::kNormal);
  const struct {
    const char* program;
    std::u16string folder;
  } cases[] = {{"/kivora", u"/"}, {"/media/cd/kivora", u"/media/cd"}, {"/media/caf\xe9/kivora", u"/media/caf\xDCE9"}};
  for (const auto& c : cases) EXPECT_EQ(FolderOf(c.program), c.folder) << c.program;
}

TEST_F(RealFiles, TextGoesBackToTheSystemInTheBytesItCameIn) {
  // Names as a menu file or a folder has them, text in the set or not.
  const std::string names[] = {
      "t1.sh \xb3\x5c\xa5\x5c\xbb\x5c \xa6\x77\xb8\xcb",  // 許功蓋 安裝 in Big5: trail bytes that are "\"
      "t1.sh \xe8\xa8\xb1\xe5\x8a\x9f",                      // 許功 in UTF-8
      "caf\xe9",                                              // Latin-1
      "\x80",                                                 // a lone continuation byte
      "a\xe6\x97",                                            // a sequence cut off
      "\xa6 \xff\xfe",                                        // a lone Big5 lead, bytes neither set has
      "\xa2\xcc \xf9\xea",                                    // Big5 pairs that read as another pair's character
      "plain ascii",
  };
  for (const char* locale : {"C.UTF-8", "zh_TW.BIG5", "C"}) {
    ASSERT_TRUE(std::setlocale(LC_CTYPE, locale)) << locale << " is not generated (tools/bootstrap makes it)";
    for (const std::string& name : names) {
      std::optional<std::string> back = Encode(Decode(name));
      ASSERT_TRUE(back) << locale << ": " << name;
      EXPECT_EQ(*back, name) << locale;
    }
  }
  ASSERT_TRUE(std::setlocale(LC_CTYPE, "zh_TW.BIG5"));
  EXPECT_FALSE(Encode(u"caf\u00e9")) << "Big5 has no \u00e9";
  try {
    SystemBytes(u"caf\u00e9", u"/m/inst/caf\u00e9");
    ADD_FAILURE() << "written anyway";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrBadFileName);
    EXPECT_EQ(e.concerns(), u"/m/inst/caf\u00e9: a character of it has no place in the system's character set (BIG5)");
  }
}

}  // namespace
}  // namespace kivora::posix

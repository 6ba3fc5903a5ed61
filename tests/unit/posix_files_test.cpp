// The Linux line reader, decoder and directory lookup on real files.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/common/text.h"
#include "platform/posix/posix_files.h"
#include "platform/runtime_error.h"

namespace kivora::posix {
namespace {

class PosixFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivora-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::u16string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    return Utf8ToUtf16(dir_ + "\\" + name);  // the program's own separator
  }

  std::vector<std::u16string> ReadAll(const std::u16string& path, int* errorNumber) {
    FileTable table;
    table.Open(1, OpenInput(path), path, LineEnds::kCrCrLfOrLf, DecodeLocaleText);
    std::vector<std::u16string> lines;
    try {
      for (;;) lines.push_back(table.LineInput(1));
    } catch (const RuntimeError& e) {
      *errorNumber = e.number();
    }
    return lines;
  }

  std::string dir_;
};

TEST_F(PosixFiles, LineEndsAndTheLastLine) {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"CR", "a\rb\r", {u"a", u"b"}},
      {"CR LF", "a\r\nb\r\n", {u"a", u"b"}},
      {"LF", "a\nb\n", {u"a", u"b"}},
      {"no end on the last line", "a\r\nb", {u"a", u"b"}},
      {"empty lines", "\r\n\n\r", {u"", u"", u""}},
      {"empty file", "", {}},
      {"NUL bytes kept", std::string("a\0b\n", 4), {std::u16string(u"a\0b", 3)}},
      {"invalid UTF-8 becomes U+FFFD", "ok\xff\xfe\n\xe2\x82\n", {u"ok\uFFFD\uFFFD", u"\uFFFD\uFFFD"}},
      {"UTF-8 text", "\xe5\xae\x89\xe8\xa3\x9d\n", {u"\u5b89\u88dd"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int error = 0;
    EXPECT_EQ(ReadAll(Write("menu", c.bytes), &error), c.lines);
    EXPECT_EQ(error, kErrPastEndOfFile) << "a read past the last line fails";
  }
}

TEST_F(PosixFiles, CrLfSplitAcrossReadBlocksIsOneLineEnd) {
  std::string first(4095, 'x');
  int error = 0;
  auto lines = ReadAll(Write("menu", first + "\r\nnext\r\n"), &error);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], u"next");
}

TEST_F(PosixFiles, AnOverlongLineIsRefusedWithAClearError) {
  std::setlocale(LC_CTYPE, "C.UTF-8");
  FileTable table;
  auto path = Write("menu", std::string(kMaxLineBytes + 10, 'x') + "\n");
  table.Open(1, OpenInput(path), u"Kivora.ini", LineEnds::kCrCrLfOrLf, DecodeLocaleText);
  try {
    table.LineInput(1);
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kErrOutOfMemory);
    EXPECT_NE(e.concerns().find(u"Kivora.ini, line 1 is longer than"), std::u16string::npos);
  }
}

TEST_F(PosixFiles, Big5InATaiwaneseLocale) {
  if (!std::setlocale(LC_CTYPE, "zh_TW.BIG5")) GTEST_SKIP() << "zh_TW.BIG5 locale not generated";
  int error = 0;
  // "安裝" (install) in Big5, then a byte pair that is not Big5.
  auto lines = ReadAll(Write("menu", "\xa6\x77\xb8\xcb\r\n\xff\r\n"), &error);
  std::setlocale(LC_CTYPE, "C.UTF-8");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], u"\u5b89\u88dd");
  EXPECT_EQ(lines[1], u"\uFFFD");
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (char16_t unit : text) {
    char high = char(unit >> 8), low = char(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

TEST_F(PosixFiles, AByteOrderMarkNamesTheEncodingWhateverTheLocale) {
  // Big5 where it is generated, so that the mark is seen to win over the locale.
  if (!std::setlocale(LC_CTYPE, "zh_TW.BIG5")) std::setlocale(LC_CTYPE, "C.UTF-8");
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"UTF-8", "\xEF\xBB\xBF\xe5\xae\x89\xe8\xa3\x9d\r\nb\r\n", {u"\u5b89\u88dd", u"b"}},
      {"UTF-16LE", "\xFF\xFE" + Utf16Bytes(u"\u5b89\u88dd\r\nb", false), {u"\u5b89\u88dd", u"b"}},
      {"UTF-16BE", "\xFE\xFF" + Utf16Bytes(u"a\rb\n\U0001F600", true), {u"a", u"b", u"\U0001F600"}},
      {"UTF-16 with a lone surrogate and an odd last byte",
       "\xFF\xFE" + Utf16Bytes(u"\xD800x\n", false) + "y", {u"\uFFFDx", u"\uFFFD"}},
      {"a mark alone", "\xFF\xFE", {}},
      {"a mark cut short, read in the locale", "\xEF\xBB", {DecodeLocaleText("\xEF\xBB")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int error = 0;
    EXPECT_EQ(ReadAll(Write("menu", c.bytes), &error), c.lines);
    EXPECT_EQ(error, kErrPastEndOfFile);
  }
  // A surrogate pair stays whole wherever the read blocks fall.
  for (size_t pad = 4080; pad < 4110; ++pad) {
    int error = 0;
    std::u16string line = std::u16string(pad, u'x') + u"\U0001F600";
    auto lines = ReadAll(Write("menu", "\xFF\xFE" + Utf16Bytes(line + u"\r\n", false)), &error);
    ASSERT_EQ(lines.size(), 1u) << pad;
    EXPECT_EQ(lines[0], line) << pad;
  }
  std::setlocale(LC_CTYPE, "C.UTF-8");
}

TEST_F(PosixFiles, DirMatchesOnlyRegularFiles) {
  Write("Kivora.ini", "x");
  chmod((dir_ + "/Kivora.ini").c_str(), 0444);  // read-only, as on a CD
  mkdir((dir_ + "/folder").c_str(), 0755);
  mkfifo((dir_ + "/fifo").c_str(), 0644);
  symlink((dir_ + "/Kivora.ini").c_str(), (dir_ + "/link").c_str());
  symlink("/dev/zero", (dir_ + "/device").c_str());
  auto at = [&](const char* name) { return Utf8ToUtf16(dir_) + u"\\" + Utf8ToUtf16(name); };
  EXPECT_EQ(DirNormalFile(at("Kivora.ini")), u"Kivora.ini");
  EXPECT_EQ(DirNormalFile(at("link")), u"link");
  EXPECT_EQ(DirNormalFile(at("folder")), u"");
  EXPECT_EQ(DirNormalFile(at("fifo")), u"");
  EXPECT_EQ(DirNormalFile(at("device")), u"");
  EXPECT_EQ(DirNormalFile(at("missing")), u"");
}

TEST_F(PosixFiles, OpenRefusesWhatIsNotARegularFileWithoutBlocking) {
  mkfifo((dir_ + "/fifo").c_str(), 0644);  // no writer: a blocking open would hang
  mkdir((dir_ + "/folder").c_str(), 0755);
  const struct {
    const char* name;
    int error;
  } cases[] = {{"fifo", kErrPathAccess}, {"folder", kErrPathAccess}, {"missing", kErrFileNotFound}};
  for (const auto& c : cases) {
    try {
      OpenInput(Utf8ToUtf16(dir_ + "/" + c.name));
      ADD_FAILURE() << c.name << " opened";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), c.error) << c.name;
    }
  }
}

}  // namespace
}  // namespace kivora::posix

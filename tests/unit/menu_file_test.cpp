// Reading the menu file's lines: line ends wherever the reads fall, the
// line-length cap, byte-order marks.
#include <gtest/gtest.h>

#include "core/menu_file.h"
#include "core/runtime_error.h"
#include "core/text.h"
#include "tests/fake/fake_system.h"

namespace kivora::testing {
namespace {

// Every line the splitter gives, read in reads of at most chunk bytes, and
// how it stopped.
std::vector<std::string> Split(const std::string& bytes, size_t chunk, LineSplitter::Result* stop = nullptr) {
  LineSplitter splitter(std::make_unique<MemorySource>(bytes, chunk));
  std::vector<std::string> lines;
  std::string line;
  LineSplitter::Result result;
  while ((result = splitter.Next(line)) == LineSplitter::Result::kLine) lines.push_back(line);
  if (stop) *stop = result;
  return lines;
}

TEST(LineSplitter, LineEndsWhereverTheReadsFall) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"CR", "a\rb\r", {"a", "b"}},
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF", "a\nb\n", {"a", "b"}},
      {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
      {"all three in one file", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"the last line without an end", "a\r\nb", {"a", "b"}},
      {"empty lines", "\r\n\r\r\n", {"", "", ""}},
      {"NUL bytes are kept", std::string("a\0b\r", 4), {std::string("a\0b", 3)}},
      {"an empty file has no line", "", {}},
  };
  for (const auto& c : cases) {
    // Reads of every size up to the whole put each CR LF pair across a read
    // boundary at least once.
    for (size_t chunk = 1; chunk <= c.bytes.size() + 1; ++chunk) {
      LineSplitter::Result stop;
      EXPECT_EQ(Split(c.bytes, chunk, &stop), c.lines) << c.name << ", reads of " << chunk;
      EXPECT_EQ(stop, LineSplitter::Result::kEndOfFile) << c.name;
    }
  }
}

TEST(LineSplitter, ACrLfPairAcrossAFullBlockIsOneLineEnd) {
  // The splitter reads 4096 bytes at a time: the CR ends one block, the LF
  // begins the next.
  for (size_t length = 4093; length <= 4096; ++length) {
    std::string first(length, 'x');
    EXPECT_EQ(Split(first + "\r\nnext\r\n", 4096), (std::vector<std::string>{first, "next"}))
        << length;
  }
}

TEST(LineSplitter, RefusesALineOneByteOverTheCap) {
  const struct {
    size_t length;
    LineSplitter::Result result;
  } cases[] = {{kMaxLineBytes, LineSplitter::Result::kLine}, {kMaxLineBytes + 1, LineSplitter::Result::kTooLong}};
  for (const auto& c : cases) {
    for (const char* end : {"", "\r"}) {
      LineSplitter splitter(std::make_unique<MemorySource>(std::string(c.length, 'x') + end));
      std::string line;
      EXPECT_EQ(splitter.Next(line), c.result) << c.length << (*end ? " with a line end" : "");
    }
  }
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

// Decoders that tell the two readings apart: the ANSI page's text, and a
// line's own bytes as names.
std::u16string AnsiText(std::string_view bytes) { return u"ansi:" + Latin1ToUtf16(bytes); }
const Decoders kDecoders{AnsiText, Utf8ToUtf16Escaped};

// Every line of up to eight read, and the error at the first one missing.
std::vector<TextLine> ReadAll(const std::string& bytes, int* error, Reading* reading = nullptr) {
  TextLines text = ReadLines(std::make_unique<MemorySource>(bytes), u"menu", 8, kDecoders);
  if (reading) *reading = text.reading;
  *error = text.error ? text.error->number() : 0;
  return text.lines;
}

std::vector<std::u16string> Texts(const std::vector<TextLine>& lines) {
  std::vector<std::u16string> texts;
  for (const TextLine& line : lines) texts.push_back(line.text);
  return texts;
}

TEST(ReadLines, AMarkDecidesElseUtf8ElseTheAnsiPage) {
  const struct {
    const char* name;
    std::string bytes;
    Reading reading;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"ASCII", "a\r\nb", Reading::kAscii, {u"ansi:a", u"ansi:b"}},
      {"UTF-8 without a mark, as Notepad saves it", "S\xc3\xa9lection\r\n\xc3\x9c" "ber\\t1\r\n", Reading::kUtf8,
       {u"S\u00e9lection", u"\u00dcber\\t1"}},
      {"a code page: one line is not UTF-8", "\xc3\xa9\r\nS\xe9lection\r\n", Reading::kAnsi,
       {u"ansi:\u00c3\u00a9", u"ansi:S\u00e9lection"}},
      {"Big5, no UTF-8 at all", "\xa6\x77\xb8\xcb\r\n", Reading::kAnsi, {u"ansi:\u00a6w\u00b8\u00cb"}},
      {"only the lines read decide", "a\n\n\n\n\n\n\n\xc3\xa9\n\xff", Reading::kUtf8,
       {u"a", u"", u"", u"", u"", u"", u"", u"\u00e9"}},
      {"UTF-8 mark", "\xEF\xBB\xBF\xe5\xae\x89\xe8\xa3\x9d\r\nb\xff\r\n", Reading::kMarkedUtf8,
       {u"\u5b89\u88dd", u"b\uFFFD"}},
      {"UTF-16LE", "\xFF\xFE" + Utf16Bytes(u"\u5b89\u88dd\r\nb", false), Reading::kMarkedUtf16, {u"\u5b89\u88dd", u"b"}},
      {"UTF-16BE", "\xFE\xFF" + Utf16Bytes(u"a\rb\n\U0001F600", true), Reading::kMarkedUtf16, {u"a", u"b", u"\U0001F600"}},
      {"UTF-16 with a lone surrogate and an odd last byte", "\xFF\xFE" + Utf16Bytes(u"\xD800x\n", false) + "y",
       Reading::kMarkedUtf16, {u"\uFFFDx", u"\uFFFD"}},
      {"a mark alone", "\xFF\xFE", Reading::kMarkedUtf16, {}},
      {"a mark cut short is text", "\xEF\xBB", Reading::kAnsi, {u"ansi:\u00ef\u00bb"}},
  };
  for (const auto& c : cases) {
    int error = 0;
    Reading reading;
    std::vector<TextLine> lines = ReadAll(c.bytes, &error, &reading);
    EXPECT_EQ(Texts(lines), c.lines) << c.name;
    EXPECT_EQ(reading, c.reading) << c.name;
    EXPECT_EQ(error, c.lines.size() < 8 ? kErrPastEndOfFile : 0) << c.name;
  }
  // Whatever the text, a line keeps its own bytes for the names it holds.
  int error = 0;
  EXPECT_EQ(ReadAll("caf\xe9\r\n", &error)[0].bytes, u"caf\xDCE9");
  EXPECT_EQ(ReadAll("\xEF\xBB\xBF\xc3\xa9", &error)[0].bytes, u"\u00e9");
}

TEST(AnsiCodePageOfLocale, IsThePageAWindowsOfTheLanguageReads) {
  const struct {
    const char* locale;
    unsigned page;
  } cases[] = {
      {"de_DE.UTF-8", 1252}, {"fr_CA.utf8", 1252}, {"C", 1252}, {"POSIX", 1252}, {"", 1252}, {"eo.UTF-8", 1252},
      {"pl_PL.UTF-8", 1250}, {"ru_RU.UTF-8", 1251}, {"el_GR.UTF-8", 1253}, {"tr_TR.UTF-8", 1254},
      {"he_IL.UTF-8", 1255}, {"ar_EG.UTF-8", 1256}, {"lt_LT.UTF-8", 1257}, {"vi_VN.UTF-8", 1258},
      {"th_TH.UTF-8", 874},  {"ja_JP.UTF-8", 932},  {"zh_CN.UTF-8", 936}, {"zh_SG", 936},
      {"ko_KR.UTF-8", 949},  {"zh_TW.UTF-8", 950},  {"zh_HK.UTF-8", 950}, {"uk_UA@euro", 1251},
      {"ur", 1256},          {"tt_RU", 1251},       {"ps_AF", 1256},      {"t", 1252},
      {"zh_MO.UTF-8", 950},  {"lv_LV.UTF-8", 1257}, {"sk_SK.UTF-8", 1250}, {"sr_RS", 1251},
  };
  for (const auto& c : cases) EXPECT_EQ(AnsiCodePageOfLocale(c.locale), c.page) << c.locale;
}

// A source that says whether the reader still holds it.
class HeldSource : public MemorySource {
 public:
  HeldSource(std::string bytes, bool& held) : MemorySource(std::move(bytes)), held_(held) { held_ = true; }
  ~HeldSource() override { held_ = false; }

 private:
  bool& held_;
};

TEST(ReadLines, LetsGoOfItsFileAndTellsWhereItStopped) {
  const struct {
    const char* name;
    std::string bytes;
    size_t lines;
    std::u16string error;  // the report line, "" for none
    bool goesOn;
  } cases[] = {
      {"past the end", "a\r\n", 1, u"'62': Input past end of file menu, line 2", false},
      {"past the end of UTF-16", "\xFF\xFE" + Utf16Bytes(u"a\r\n", false), 1, u"'62'", false},
      {"a line over the cap", "a\r\n" + std::string(kMaxLineBytes + 1, 'x'), 1, u"'7': Out of memory menu, line 2 is longer",
       false},
      {"all there", "a\nb", 2, u"", false},
      {"all there, and more", "a\nb\r\n\r\n", 2, u"", true},
      {"all there, then a line over the cap", "a\nb\n" + std::string(kMaxLineBytes + 1, 'x'), 2, u"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool held = false;
    TextLines text = ReadLines(std::make_unique<HeldSource>(c.bytes, held), u"menu", 2, kDecoders);
    EXPECT_FALSE(held) << "the file is still open";
    EXPECT_EQ(text.lines.size(), c.lines);
    EXPECT_EQ(text.goesOn, c.goesOn);
    std::u16string report = text.error ? text.error->ReportLine() : u"";
    EXPECT_EQ(report.empty(), c.error.empty());
    EXPECT_NE(report.find(c.error), std::u16string::npos) << Utf16ToUtf8(report);
  }
}

TEST(ReadLines, ASurrogatePairStaysWholeWhereverTheBlocksFall) {
  for (size_t pad = 4080; pad < 4110; ++pad) {
    int error = 0;
    std::u16string line = std::u16string(pad, u'x') + u"\U0001F600";
    auto lines = ReadAll("\xFF\xFE" + Utf16Bytes(line + u"\r\n", false), &error);
    ASSERT_EQ(lines.size(), 1u) << pad;
    EXPECT_EQ(lines[0].text, line) << pad;
  }
}

}  // namespace
}  // namespace kivora::testing

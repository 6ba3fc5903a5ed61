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
std::vector<std::string> Split(const std::string& bytes, LineEnds ends, size_t chunk,
                               LineSplitter::Result* stop = nullptr) {
  LineSplitter splitter(std::make_unique<MemorySource>(bytes, chunk), ends);
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
    LineEnds ends;
    std::vector<std::string> lines;
  } cases[] = {
      {"CR", "a\rb\r", LineEnds::kCrOrCrLf, {"a", "b"}},
      {"CR LF", "a\r\nb\r\n", LineEnds::kCrOrCrLf, {"a", "b"}},
      {"LF is text on Windows", "a\nb\n", LineEnds::kCrOrCrLf, {"a\nb\n"}},
      {"LF ends a line on Linux", "a\nb\n", LineEnds::kCrCrLfOrLf, {"a", "b"}},
      {"LF CR is two ends on Linux", "a\n\rb", LineEnds::kCrCrLfOrLf, {"a", "", "b"}},
      {"the last line without an end", "a\r\nb", LineEnds::kCrOrCrLf, {"a", "b"}},
      {"empty lines", "\r\n\r\r\n", LineEnds::kCrOrCrLf, {"", "", ""}},
      {"NUL bytes are kept", std::string("a\0b\r", 4), LineEnds::kCrOrCrLf, {std::string("a\0b", 3)}},
      {"an empty file has no line", "", LineEnds::kCrOrCrLf, {}},
  };
  for (const auto& c : cases) {
    // Reads of every size up to the whole put each CR LF pair across a read
    // boundary at least once.
    for (size_t chunk = 1; chunk <= c.bytes.size() + 1; ++chunk) {
      LineSplitter::Result stop;
      EXPECT_EQ(Split(c.bytes, c.ends, chunk, &stop), c.lines) << c.name << ", reads of " << chunk;
      EXPECT_EQ(stop, LineSplitter::Result::kEndOfFile) << c.name;
    }
  }
}

TEST(LineSplitter, ACrLfPairAcrossAFullBlockIsOneLineEnd) {
  // The splitter reads 4096 bytes at a time: the CR ends one block, the LF
  // begins the next.
  for (size_t length = 4093; length <= 4096; ++length) {
    std::string first(length, 'x');
    EXPECT_EQ(Split(first + "\r\nnext\r\n", LineEnds::kCrOrCrLf, 4096), (std::vector<std::string>{first, "next"}))
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
      LineSplitter splitter(std::make_unique<MemorySource>(std::string(c.length, 'x') + end), LineEnds::kCrOrCrLf);
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

// Every line a TextReader gives, and the error its last read ended with.
std::vector<std::u16string> ReadAll(const std::string& bytes, int* error, LineEnds ends = LineEnds::kCrCrLfOrLf) {
  TextReader reader(std::make_unique<MemorySource>(bytes), u"menu", ends, Latin1ToUtf16);
  std::vector<std::u16string> lines;
  try {
    for (;;) lines.push_back(reader.ReadLine());
  } catch (const RuntimeError& e) {
    *error = e.number();
  }
  return lines;
}

TEST(TextReader, AByteOrderMarkNamesTheEncodingInsteadOfTheSystemsSet) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"no mark: the system's set", "\xe9\r\nb\r\n", {u"\u00e9", u"b"}},
      {"UTF-8", "\xEF\xBB\xBF\xe5\xae\x89\xe8\xa3\x9d\r\nb\r\n", {u"\u5b89\u88dd", u"b"}},
      {"UTF-16LE", "\xFF\xFE" + Utf16Bytes(u"\u5b89\u88dd\r\nb", false), {u"\u5b89\u88dd", u"b"}},
      {"UTF-16BE", "\xFE\xFF" + Utf16Bytes(u"a\rb\n\U0001F600", true), {u"a", u"b", u"\U0001F600"}},
      {"UTF-16 with a lone surrogate and an odd last byte", "\xFF\xFE" + Utf16Bytes(u"\xD800x\n", false) + "y",
       {u"\uFFFDx", u"\uFFFD"}},
      {"a mark alone", "\xFF\xFE", {}},
      {"a mark cut short is text", "\xEF\xBB", {u"\u00ef\u00bb"}},
  };
  for (const auto& c : cases) {
    int error = 0;
    EXPECT_EQ(ReadAll(c.bytes, &error), c.lines) << c.name;
    EXPECT_EQ(error, kErrPastEndOfFile) << c.name;
  }
}

// A source that says whether the reader still holds it.
class HeldSource : public MemorySource {
 public:
  HeldSource(std::string bytes, bool& held) : MemorySource(std::move(bytes)), held_(held) { held_ = true; }
  ~HeldSource() override { held_ = false; }

 private:
  bool& held_;
};

TEST(TextReader, LetsGoOfItsFileBeforeItRaises) {
  const struct {
    const char* name;
    std::string bytes;
    int error;
  } cases[] = {
      {"past the end", "a\r\n", kErrPastEndOfFile},
      {"past the end of UTF-16", "\xFF\xFE" + Utf16Bytes(u"a\r\n", false), kErrPastEndOfFile},
      {"a line over the cap", "a\r\n" + std::string(kMaxLineBytes + 1, 'x'), kErrOutOfMemory},
  };
  for (const auto& c : cases) {
    bool held = false;
    TextReader reader(std::make_unique<HeldSource>(c.bytes, held), u"menu", LineEnds::kCrOrCrLf, Latin1ToUtf16);
    EXPECT_EQ(reader.ReadLine(), u"a") << c.name;
    EXPECT_TRUE(held) << c.name;
    int error = 0;
    try {
      reader.ReadLine();
    } catch (const RuntimeError& e) {
      error = e.number();
    }
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_FALSE(held) << c.name << ": the file is still open";
  }
}

TEST(TextReader, ASurrogatePairStaysWholeWhereverTheBlocksFall) {
  for (size_t pad = 4080; pad < 4110; ++pad) {
    int error = 0;
    std::u16string line = std::u16string(pad, u'x') + u"\U0001F600";
    auto lines = ReadAll("\xFF\xFE" + Utf16Bytes(line + u"\r\n", false), &error);
    ASSERT_EQ(lines.size(), 1u) << pad;
    EXPECT_EQ(lines[0], line) << pad;
  }
}

}  // namespace
}  // namespace kivora::testing

// Reading the menu file: its lines, their ends, its encoding and the
// line-length cap. Reads in small blocks, so only as much of the file is read
// as the lines asked for need.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.h"

namespace kivora {

class RuntimeError;

// A line longer than this is refused instead of filling memory: no caption or
// command line needs more (Windows caps a command line at 32767 characters).
constexpr size_t kMaxLineBytes = 32768;

// Splits bytes into lines. A line ends at CR, CR LF or LF, on every system:
// a menu saved on Windows, on Linux or by a script reads the same.
class LineSplitter {
 public:
  explicit LineSplitter(std::unique_ptr<ByteSource> source, size_t maxLineBytes = kMaxLineBytes);

  enum class Result { kLine, kEndOfFile, kTooLong };
  // The next line's bytes, without its line end.
  Result Next(std::string& line);
  // Lets go of the source (a file closes); no line is read after.
  void Close() { source_.reset(); }

 private:
  bool Fill();  // false at the end of the source

  std::unique_ptr<ByteSource> source_;
  size_t maxLineBytes_;
  char buffer_[4096];
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;
};

// What a text file's first bytes say of its encoding: a byte-order mark
// names it, whatever the locale or code page: UTF-8 (EF BB BF), or UTF-16 in
// either byte order (FF FE, FE FF, what Notepad saves as "Unicode"), given on
// as UTF-8. The mark is not part of the first line.
enum class Mark { kNone, kUtf8, kUtf16 };
struct MarkedSource {
  std::unique_ptr<ByteSource> source;
  Mark mark = Mark::kNone;
};
MarkedSource ByByteOrderMark(std::unique_ptr<ByteSource> source);

// How the lines of a text are read, in this order: by its byte-order mark;
// else as UTF-8 where every byte of them is well-formed UTF-8 and one is not
// ASCII (what today's editors save); else in the Windows ANSI code page the
// system reads menus in. ASCII reads alike in all of them.
enum class Reading { kAscii, kMarkedUtf8, kMarkedUtf16, kUtf8, kAnsi };
Reading ReadingOf(Mark mark, const std::vector<std::string>& lines);

// The Windows ANSI code page a Windows of the locale's language reads text
// in ("de_DE.UTF-8" 1252, "ja_JP" 932, "zh_TW" 950); 1252 for C, POSIX and
// a language the table does not know.
unsigned AnsiCodePageOfLocale(std::string_view locale);

// One line of a text file: the line as text, and the line's own bytes as the
// system reads names (Files::Decode), which go back to the system as the
// same bytes. A target is looked for by its text first, then by its bytes
// (a folder named on a Latin-1 system).
struct TextLine {
  std::u16string text;
  std::u16string bytes;
};

// The two ways a system turns bytes without a mark into a string.
struct Decoders {
  std::function<std::u16string(std::string_view)> ansi;   // text in the system's ANSI code page
  std::function<std::u16string(std::string_view)> names;  // bytes as the system's names
};
Decoders DecodersOf(Files& files);

// The lines of a text in the reading they are read in.
TextLine Decoded(std::string_view bytes, Reading reading, const Decoders& decoders);

// Reads a text file as the menu file is read: the first lines, as many as
// asked for, at once, in one reading decided from all of them (so what
// follows them never matters), then the file is let go. ReadLine gives them
// one per call; a line the file does not have is an "Input past end of file"
// error, and one over the cap an "Out of memory" error, each naming the file
// and the line.
class TextReader {
 public:
  // name is what an error report says the error concerns.
  TextReader(std::unique_ptr<ByteSource> source, std::u16string name, size_t lines, const Decoders& decoders);
  TextLine ReadLine();
  Reading reading() const { return reading_; }

 private:
  std::vector<TextLine> lines_;
  LineSplitter::Result stop_ = LineSplitter::Result::kLine;  // why the reading ended before the lines asked for
  std::u16string name_;
  Reading reading_ = Reading::kAscii;
  size_t linesRead_ = 0;
};

}  // namespace kivora

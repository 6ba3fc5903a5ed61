// Reading the menu file: its lines, their ends, byte-order marks and the
// line-length cap. Reads in small blocks, so only as much of the file is read
// as the lines asked for need.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/conventions.h"
#include "core/files.h"

namespace kivora {

class RuntimeError;

// A line longer than this is refused instead of filling memory: no caption or
// command line needs more (Windows caps a command line at 32767 characters).
constexpr size_t kMaxLineBytes = 32768;

class LineSplitter {
 public:
  LineSplitter(std::unique_ptr<ByteSource> source, LineEnds ends, size_t maxLineBytes = kMaxLineBytes);

  enum class Result { kLine, kEndOfFile, kTooLong };
  // The next line's bytes, without its line end.
  Result Next(std::string& line);
  // Lets go of the source (a file closes); no line is read after.
  void Close() { source_.reset(); }

 private:
  bool Fill();  // false at the end of the source

  std::unique_ptr<ByteSource> source_;
  LineEnds ends_;
  size_t maxLineBytes_;
  char buffer_[4096];
  size_t pos_ = 0;
  size_t len_ = 0;
  bool eof_ = false;
};

// A text source and how its lines are decoded: a file that starts with a
// byte-order mark is read in the encoding the mark names, whatever the locale
// or code page: UTF-8 (EF BB BF), or UTF-16 in either byte order (FF FE,
// FE FF, what Notepad saves as "Unicode"), given on as UTF-8. The mark is not
// part of the first line. Without a mark, decode is kept.
struct TextDecoding {
  std::unique_ptr<ByteSource> source;
  std::function<std::u16string(std::string_view)> decode;
  bool marked = false;  // the file starts with a byte-order mark
};
TextDecoding ByByteOrderMark(std::unique_ptr<ByteSource> source, std::function<std::u16string(std::string_view)> decode);

// Reads a text file a line at a time, as the menu file is read: one line per
// call, the line end consumed and not returned, the last line allowed to end
// at the end of the file, and a read when nothing is left an "Input past end
// of file" error that names the file and the line.
// The file is read by its byte-order mark, if it has one (ByByteOrderMark).
// The reader closes the file before it raises an error.
class TextReader {
 public:
  using Decoder = std::function<std::u16string(std::string_view)>;

  // name is what an error report says the error concerns.
  TextReader(std::unique_ptr<ByteSource> source, std::u16string name, LineEnds ends, Decoder decode);
  std::u16string ReadLine();

 private:
  TextReader(TextDecoding decoding, std::u16string name, LineEnds ends);
  [[noreturn]] void Fail(const RuntimeError& error);

  LineSplitter lines_;
  std::u16string name_;
  Decoder decode_;
  int linesRead_ = 0;
};

}  // namespace kivora

// The menu file: where it is, its lines, their ends, its encoding and the
// line-length cap, read once into one value that the launcher acts on and the
// check prints. Reads in small blocks, so only as much of the file is read as
// the lines asked for need.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora {

// The menu file beside the launcher, and its lines: the prompt, the three
// choices, then what "Next" starts for each.
constexpr const char16_t* kMenuFileName = u"Kivora.ini";
constexpr size_t kMenuLines = 7;

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
  // Whether the source has no byte more (reads a block to know).
  bool AtEnd();
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

// The two ways a system turns bytes without a mark into a string.
struct Decoders {
  std::function<std::u16string(std::string_view)> ansi;   // text in the system's ANSI code page
  std::function<std::u16string(std::string_view)> names;  // bytes as the system's names
};
Decoders DecodersOf(Files& files);

// The lines of a text in the reading they are read in.
TextLine Decoded(std::string_view bytes, Reading reading, const Decoders& decoders);

// The first lines of a text file, as many as asked for, read at once in one
// reading decided from all of them (so what follows them never matters); the
// file is let go before the value is made (a report shown at once, as
// Kivora.exe shows it, must not hold the file that the author will mend).
// Fewer lines than asked for is an error at the first line missing, naming
// the file and that line: "Input past end of file", or "Out of memory" for a
// line over the cap.
struct TextLines {
  std::vector<std::string> bytes;  // each line as the file has it, without its line end
  std::vector<TextLine> lines;     // the same lines read
  Reading reading = Reading::kAscii;
  std::optional<RuntimeError> error;  // why there are fewer lines than asked for
  bool goesOn = false;                // the file has more after the lines asked for
};
// name is what an error says it concerns.
TextLines ReadLines(std::unique_ptr<ByteSource> source, const std::u16string& name, size_t count,
                    const Decoders& decoders);

// The menu as the launcher on a system finds and reads it: the file found
// beside it (see FindPath), or why there is none, and its first seven lines.
struct Menu {
  enum class Found {
    kFile,        // a file, which the launcher reads
    kNone,        // nothing by that name, or no file: the launcher shows "Error!"
    kHidden,      // a file with the hidden or system mark, where this system shows it: Windows does not see it
    kNamesAlike,  // only names that differ from it in case, more than one: error 53
  };
  Found found = Found::kNone;
  std::u16string path;  // as found, or as looked for
  // Whether the launcher reads the file: a file, and a hidden one where the
  // system shows such files to programs (Linux lists a FAT stick's hidden
  // files as any others, so its launcher reads the menu that a user sees).
  bool read = false;
  TextLines text;  // the lines read
  // What the launcher reports instead of showing its window: names alike, or
  // a line the file does not have.
  std::optional<RuntimeError> error;
};
Menu ReadMenu(const std::u16string& folder, Files& files);

}  // namespace kivora

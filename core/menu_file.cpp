#include "core/menu_file.h"

#include <algorithm>
#include <cstring>

#include "core/names.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora {

LineSplitter::LineSplitter(std::unique_ptr<ByteSource> source, size_t maxLineBytes)
    : source_(std::move(source)), maxLineBytes_(maxLineBytes) {}

bool LineSplitter::Fill() {
  if (eof_) return false;
  pos_ = 0;
  len_ = source_->Read(buffer_, sizeof buffer_);
  if (len_ == 0) eof_ = true;
  return len_ != 0;
}

LineSplitter::Result LineSplitter::Next(std::string& line) {
  line.clear();
  if (pos_ == len_ && !Fill()) return Result::kEndOfFile;
  for (;;) {
    while (pos_ < len_) {
      char c = buffer_[pos_++];
      if (c == '\n') return Result::kLine;
      if (c == '\r') {
        // A CR LF pair is one line end, even when the pair straddles two blocks.
        if (pos_ == len_) Fill();
        if (pos_ < len_ && buffer_[pos_] == '\n') ++pos_;
        return Result::kLine;
      }
      if (line.size() == maxLineBytes_) return Result::kTooLong;
      line += c;
    }
    if (!Fill()) return Result::kLine;  // the last line, without a line end
  }
}

bool LineSplitter::AtEnd() { return pos_ == len_ && !Fill(); }

namespace {

// The first bytes of a source, read ahead to look for a byte-order mark, then
// the rest of it.
class PeekSource : public ByteSource {
 public:
  explicit PeekSource(std::unique_ptr<ByteSource> inner) : inner_(std::move(inner)) {
    while (size_ < sizeof head_) {
      size_t n = inner_->Read(head_ + size_, sizeof head_ - size_);
      if (n == 0) break;
      size_ += n;
    }
  }

  bool StartsWith(std::string_view mark) const {
    return std::string_view(head_, size_).substr(0, mark.size()) == mark;
  }
  void Skip(size_t n) { pos_ += n; }

  size_t Read(char* buffer, size_t size) override {
    if (pos_ == size_) return inner_->Read(buffer, size);
    size_t n = std::min(size, size_ - pos_);
    std::memcpy(buffer, head_ + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::unique_ptr<ByteSource> inner_;
  char head_[3];
  size_t size_ = 0;
  size_t pos_ = 0;
};

// Reads UTF-16 and gives UTF-8, so that the line splitter finds the line ends
// among single bytes. A surrogate pair split across two reads stays whole; an
// unpaired surrogate or an odd last byte becomes U+FFFD.
class Utf16Source : public ByteSource {
 public:
  Utf16Source(std::unique_ptr<ByteSource> inner, bool bigEndian)
      : inner_(std::move(inner)), bigEndian_(bigEndian) {}

  size_t Read(char* buffer, size_t size) override {
    while (pos_ == out_.size()) {
      out_.clear();
      pos_ = 0;
      if (!Convert()) return 0;
    }
    size_t n = std::min(size, out_.size() - pos_);
    std::memcpy(buffer, out_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  // Converts the next block into out_; false when the source is used up.
  bool Convert() {
    if (done_) return false;
    char raw[4096];
    size_t n = inner_->Read(raw, sizeof raw);
    for (size_t i = 0; i < n; ++i) {
      if (!haveOdd_) {
        odd_ = raw[i];
        haveOdd_ = true;
        continue;
      }
      auto first = static_cast<unsigned char>(odd_), second = static_cast<unsigned char>(raw[i]);
      units_ += static_cast<char16_t>(bigEndian_ ? first << 8 | second : second << 8 | first);
      haveOdd_ = false;
    }
    if (n == 0) {
      done_ = true;
      if (haveOdd_) units_ += u'\uFFFD';
    }
    // A high surrogate at the end of a block waits for its pair in the next.
    size_t keep = !done_ && !units_.empty() && units_.back() >= 0xD800 && units_.back() <= 0xDBFF;
    out_ = Utf16ToUtf8(std::u16string_view(units_).substr(0, units_.size() - keep));
    units_.erase(0, units_.size() - keep);
    return !out_.empty() || !done_;
  }

  std::unique_ptr<ByteSource> inner_;
  bool bigEndian_;
  std::u16string units_;
  std::string out_;
  size_t pos_ = 0;
  char odd_ = 0;
  bool haveOdd_ = false;
  bool done_ = false;
};

}  // namespace

MarkedSource ByByteOrderMark(std::unique_ptr<ByteSource> source) {
  auto peek = std::make_unique<PeekSource>(std::move(source));
  if (peek->StartsWith("\xEF\xBB\xBF")) {
    peek->Skip(3);
    return {std::move(peek), Mark::kUtf8};
  }
  if (peek->StartsWith("\xFF\xFE") || peek->StartsWith("\xFE\xFF")) {
    bool bigEndian = peek->StartsWith("\xFE");
    peek->Skip(2);
    return {std::make_unique<Utf16Source>(std::move(peek), bigEndian), Mark::kUtf16};
  }
  return {std::move(peek), Mark::kNone};
}

Reading ReadingOf(Mark mark, const std::vector<std::string>& lines) {
  if (mark == Mark::kUtf8) return Reading::kMarkedUtf8;
  if (mark == Mark::kUtf16) return Reading::kMarkedUtf16;
  auto ascii = [](const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  if (std::all_of(lines.begin(), lines.end(), ascii)) return Reading::kAscii;
  return std::all_of(lines.begin(), lines.end(), [](const std::string& line) { return IsWellFormedUtf8(line); })
             ? Reading::kUtf8
             : Reading::kAnsi;
}

unsigned AnsiCodePageOfLocale(std::string_view locale) {
  const std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
  const std::string_view territory = locale.substr(std::min(language.size() + 1, locale.size()), 2);
  if (language == "zh") return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
  static constexpr struct {
    unsigned page;
    std::string_view languages;  // ISO 639 codes, each followed by a blank
  } kPages[] = {
      {1250, "cs hu pl ro sk sl hr bs sq "}, {1251, "ru uk be bg mk sr kk ky tg tt mn "},
      {1253, "el "}, {1254, "tr az "}, {1255, "he iw yi "}, {1256, "ar fa ur ps "}, {1257, "et lt lv "},
      {1258, "vi "}, {874, "th "}, {932, "ja "}, {949, "ko "},
  };
  for (const auto& p : kPages)
    for (size_t at = 0; at < p.languages.size(); at = p.languages.find(' ', at) + 1)
      if (p.languages.substr(at, p.languages.find(' ', at) - at) == language) return p.page;
  return 1252;
}

Decoders DecodersOf(Files& files) {
  return {[&files](std::string_view bytes) { return files.DecodeAnsi(bytes); },
          [&files](std::string_view bytes) { return files.Decode(bytes); }};
}

TextLine Decoded(std::string_view bytes, Reading reading, const Decoders& decoders) {
  switch (reading) {
    case Reading::kMarkedUtf16:  // the bytes are UTF-8 made from the file's, not its own
      return {Utf8ToUtf16(bytes), Utf8ToUtf16(bytes)};
    case Reading::kMarkedUtf8:
    case Reading::kUtf8:
      return {Utf8ToUtf16(bytes), decoders.names(bytes)};
    case Reading::kAscii:
    case Reading::kAnsi:
      break;
  }
  return {decoders.ansi(bytes), decoders.names(bytes)};
}

TextLines ReadLines(std::unique_ptr<ByteSource> source, const std::u16string& name, size_t count,
                    const Decoders& decoders) {
  TextLines text;
  MarkedSource marked = ByByteOrderMark(std::move(source));
  LineSplitter splitter(std::move(marked.source));
  std::string line;
  LineSplitter::Result stop = LineSplitter::Result::kLine;
  while (text.bytes.size() < count && (stop = splitter.Next(line)) == LineSplitter::Result::kLine)
    text.bytes.push_back(line);
  text.goesOn = text.bytes.size() == count && !splitter.AtEnd();
  splitter.Close();
  text.reading = ReadingOf(marked.mark, text.bytes);
  for (const std::string& b : text.bytes) text.lines.push_back(Decoded(b, text.reading, decoders));
  if (text.bytes.size() < count) {
    const std::u16string where = name + u", line " + Utf8ToUtf16(std::to_string(text.bytes.size() + 1));
    text.error = stop == LineSplitter::Result::kTooLong
                     ? RuntimeError(kErrOutOfMemory, where + u" is longer than " +
                                                         Utf8ToUtf16(std::to_string(kMaxLineBytes)) + u" bytes")
                     : RuntimeError(kErrPastEndOfFile, where);
  }
  return text;
}

Menu ReadMenu(const std::u16string& folder, Files& files) {
  const Conventions conventions = files.conventions();
  Menu menu;
  Found found = FindPath(folder, kMenuFileName, conventions, files.Lookup());
  menu.path = found.path;
  if (!found.alike.empty()) {
    menu.found = Menu::Found::kNamesAlike;
    menu.error = NamesAlike(ShownPath(found.path, conventions.separator), found.alike);
    return menu;
  }
  menu.found = found.kind == FileKind::kNormal   ? Menu::Found::kFile
               : found.kind == FileKind::kHidden ? Menu::Found::kHidden
                                                 : Menu::Found::kNone;
  menu.read = menu.found == Menu::Found::kFile || (menu.found == Menu::Found::kHidden && !conventions.seesHidden);
  if (!menu.read) return menu;
  menu.text = ReadLines(files.OpenFile(menu.path), ShownPath(menu.path, conventions.separator), kMenuLines,
                        DecodersOf(files));
  menu.error = menu.text.error;
  return menu;
}

}  // namespace kivora

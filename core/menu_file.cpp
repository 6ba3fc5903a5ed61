#include "core/menu_file.h"

#include <algorithm>
#include <cstring>

#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora {

LineSplitter::LineSplitter(std::unique_ptr<ByteSource> source, LineEnds ends, size_t maxLineBytes)
    : source_(std::move(source)), ends_(ends), maxLineBytes_(maxLineBytes) {}

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
      if (c == '\n' && ends_ == LineEnds::kCrCrLfOrLf) return Result::kLine;
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

TextDecoding ByByteOrderMark(std::unique_ptr<ByteSource> source, std::function<std::u16string(std::string_view)> decode) {
  auto peek = std::make_unique<PeekSource>(std::move(source));
  bool utf8 = peek->StartsWith("\xEF\xBB\xBF");
  bool utf16 = peek->StartsWith("\xFF\xFE") || peek->StartsWith("\xFE\xFF");
  bool bigEndian = peek->StartsWith("\xFE");
  peek->Skip(utf8 ? 3 : utf16 ? 2 : 0);
  if (utf8 || utf16) decode = Utf8ToUtf16;
  if (utf16) return {std::make_unique<Utf16Source>(std::move(peek), bigEndian), std::move(decode), true};
  return {std::move(peek), std::move(decode), utf8};
}

TextReader::TextReader(std::unique_ptr<ByteSource> source, std::u16string name, LineEnds ends, Decoder decode)
    : TextReader(ByByteOrderMark(std::move(source), std::move(decode)), std::move(name), ends) {}

TextReader::TextReader(TextDecoding decoding, std::u16string name, LineEnds ends)
    : lines_(std::move(decoding.source), ends), name_(std::move(name)), decode_(std::move(decoding.decode)) {}

std::u16string TextReader::ReadLine() {
  std::string bytes;
  int lineNumber = linesRead_ + 1;
  auto where = [&] { return name_ + u", line " + Utf8ToUtf16(std::to_string(lineNumber)); };
  switch (lines_.Next(bytes)) {
    case LineSplitter::Result::kEndOfFile:
      Fail(RuntimeError(kErrPastEndOfFile, where()));
    case LineSplitter::Result::kTooLong:
      Fail(RuntimeError(kErrOutOfMemory,
                        where() + u" is longer than " + Utf8ToUtf16(std::to_string(kMaxLineBytes)) + u" bytes"));
    case LineSplitter::Result::kLine:
      break;
  }
  linesRead_ = lineNumber;
  return decode_(bytes);
}

// The report may be shown from where the error is raised (Kivora.exe has no
// exceptions to unwind with): a menu file still open meanwhile could not be
// mended and saved while the box is up.
void TextReader::Fail(const RuntimeError& error) {
  lines_.Close();
  Raise(error);
}

}  // namespace kivora

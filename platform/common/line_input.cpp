#include "platform/common/line_input.h"

#include "platform/common/text.h"
#include "platform/runtime_error.h"

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

void FileTable::Open(int fileNumber, std::unique_ptr<ByteSource> source, std::u16string name,
                     LineEnds ends, Decoder decode) {
  if (IsOpen(fileNumber)) throw RuntimeError(kErrFileAlreadyOpen, name);
  files_[fileNumber] = std::unique_ptr<OpenFile>(
      new OpenFile{LineSplitter(std::move(source), ends), std::move(name), std::move(decode)});
}

std::u16string FileTable::LineInput(int fileNumber) {
  auto it = files_.find(fileNumber);
  if (it == files_.end()) throw RuntimeError(kErrBadFileNumber, u"file #" + Utf8ToUtf16(std::to_string(fileNumber)));
  OpenFile& file = *it->second;
  std::string bytes;
  int lineNumber = file.linesRead + 1;
  auto where = [&] { return file.name + u", line " + Utf8ToUtf16(std::to_string(lineNumber)); };
  switch (file.lines.Next(bytes)) {
    case LineSplitter::Result::kEndOfFile:
      throw RuntimeError(kErrPastEndOfFile, where());
    case LineSplitter::Result::kTooLong:
      throw RuntimeError(kErrOutOfMemory,
                         where() + u" is longer than " + Utf8ToUtf16(std::to_string(kMaxLineBytes)) + u" bytes");
    case LineSplitter::Result::kLine:
      break;
  }
  file.linesRead = lineNumber;
  return file.decode(bytes);
}

void FileTable::Close(int fileNumber) { files_.erase(fileNumber); }

}  // namespace kivora

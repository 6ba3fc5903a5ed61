// Fuzzes the line reader: any bytes, either line-end rule, a small maximum
// line length so that the too-long path is reached; every line read must be
// free of line-end characters the rule treats as ends, and the reads must stop;
// each line's bytes must survive the trip to UTF-16 and back.
// The same bytes then go through the text reader, which looks for a byte-order
// mark and may read them as UTF-16; its reads must end in "past end of file".
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/menu_file.h"
#include "core/runtime_error.h"
#include "core/text.h"

namespace {

class Bytes : public kivora::ByteSource {
 public:
  Bytes(const uint8_t* data, size_t size, size_t chunk) : data_(data), size_(size), chunk_(chunk) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min({size, size_ - pos_, chunk_});
    std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0, chunk_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t chunk = 1 + data[0];  // short reads split CR LF across blocks
  kivora::LineSplitter lines(std::make_unique<Bytes>(data + 1, size - 1, chunk), 64);
  std::string line;
  size_t consumed = 0;
  for (;;) {
    auto result = lines.Next(line);
    if (result != kivora::LineSplitter::Result::kLine) break;
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    if (line.size() > 64) std::abort();
    consumed += line.size() + 1;
    if (consumed > 2 * size + 2) std::abort();  // it must come to an end
    // Any bytes come back through escaped bytes; well-formed UTF-8 comes
    // back through the plain conversions too.
    std::u16string escaped = kivora::Utf8ToUtf16Escaped(line);
    if (kivora::Utf16ToUtf8Escaped(escaped) != line) std::abort();
    bool wellFormed = kivora::Shown(escaped) == escaped;
    if (wellFormed && kivora::Utf16ToUtf8(kivora::Utf8ToUtf16(line)) != line) std::abort();
  }

  auto latin1 = [](std::string_view bytes) {
    std::u16string text;
    for (unsigned char b : bytes) text += char16_t(b);
    return text;
  };
  kivora::TextLines text = kivora::ReadLines(std::make_unique<Bytes>(data + 1, size - 1, chunk), u"menu", size,
                                            {latin1, kivora::Utf8ToUtf16Escaped});
  if (text.lines.size() > size || text.lines.size() != text.bytes.size()) std::abort();
  for (const kivora::TextLine& line : text.lines)
    if (line.text.find(u'\r') != std::u16string::npos) std::abort();
  if (text.lines.size() < size && (!text.error || text.error->number() != kivora::kErrPastEndOfFile)) std::abort();
  return 0;
}

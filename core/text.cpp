#include "core/text.h"

namespace kivora {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (c >> 10));
    out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
}

// The well-formed UTF-8 sequence at text[i]: its length, or 0 when the byte
// there begins none (overlong forms, surrogates and values past U+10FFFF
// are malformed too).
size_t Utf8Sequence(std::string_view text, size_t i, char32_t& c) {
  auto b = static_cast<unsigned char>(text[i]);
  size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k < length; ++k) {
    auto cont = static_cast<unsigned char>(text[i + k]);
    if ((cont & 0xC0) != 0x80) return 0;
    c = (c << 6) | (cont & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMinimum[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// Decodes UTF-8; a byte that begins no well-formed sequence is given to
// invalid, and skipped.
template <typename Invalid>
std::u16string DecodeUtf8(std::string_view text, Invalid invalid) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    if (size_t length = Utf8Sequence(text, i, c)) {
      AppendUtf16(out, c);
      i += length;
    } else {
      out += invalid(static_cast<unsigned char>(text[i++]));
    }
  }
  return out;
}

// Encodes UTF-16; an unpaired surrogate is given to unpaired, which appends
// what stands for it.
template <typename Unpaired>
std::string EncodeUtf8(std::u16string_view text, Unpaired unpaired) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      unpaired(out, text[i]);
      continue;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  return EncodeUtf8(text, [](std::string& out, char16_t) { AppendUtf8(out, kReplacementCharacter); });
}

std::u16string Utf8ToUtf16(std::string_view text) {
  return DecodeUtf8(text, [](unsigned char) { return kReplacementCharacter; });
}

bool IsWellFormedUtf8(std::string_view text) {
  for (size_t i = 0, length; i < text.size(); i += length) {
    char32_t c = 0;
    if ((length = Utf8Sequence(text, i, c)) == 0) return false;
  }
  return true;
}

std::u16string Utf8ToUtf16Escaped(std::string_view bytes) { return DecodeUtf8(bytes, EscapedByte); }

std::string Utf16ToUtf8Escaped(std::u16string_view text) {
  return EncodeUtf8(text, [](std::string& out, char16_t unit) {
    // UTF-8 escapes no byte below 0x80, and such a unit must not become a
    // "/" or a NUL.
    if (unit >= EscapedByte(0x80) && unit <= EscapedByte(0xFF)) out += static_cast<char>(unit & 0xFF);
    else AppendUtf8(out, kReplacementCharacter);
  });
}

bool IsEscapedByte(std::u16string_view text, size_t i) {
  return text[i] >= EscapedByte(0) && text[i] <= EscapedByte(0xFF) && (i == 0 || !IsHigh(text[i - 1]));
}

std::u16string Shown(std::u16string_view text) {
  std::u16string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    bool paired = IsHigh(out[i]) && i + 1 < out.size() && IsLow(out[i + 1]);
    if (paired) ++i;
    else if (IsHigh(out[i]) || IsLow(out[i])) out[i] = kReplacementCharacter;
  }
  return out;
}

size_t SafeCut(std::u16string_view text, size_t n) {
  if (n >= text.size()) return text.size();
  return n > 0 && IsHigh(text[n - 1]) && IsLow(text[n]) ? n - 1 : n;
}

}  // namespace kivora

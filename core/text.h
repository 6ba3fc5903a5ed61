// Conversions between the program's 16-bit strings and UTF-8, and cutting a
// string without splitting a character. Nothing here throws on bad input.
//
// A file name on Linux is bytes, and need not be text in any character set.
// So that such a name comes back to the system as the bytes it came in, a
// byte that does not decode is kept as a lone low surrogate, U+DC00 plus the
// byte (an "escaped byte"): no text holds one, since UTF-8 and UTF-16 only
// have surrogates in pairs. The program treats escaped bytes as text; only
// what is shown to the user turns each into U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivora {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

// For what is shown: unpaired surrogates (escaped bytes among them) and
// malformed UTF-8 become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Whether every byte of text is part of a well-formed UTF-8 sequence.
bool IsWellFormedUtf8(std::string_view text);

// For names: each byte that is not part of well-formed UTF-8 becomes an
// escaped byte, and each escaped byte the byte again, so that any bytes
// survive the trip there and back.
std::u16string Utf8ToUtf16Escaped(std::string_view bytes);
std::string Utf16ToUtf8Escaped(std::u16string_view text);

constexpr char16_t EscapedByte(unsigned char byte) { return char16_t(0xDC00 + byte); }
// A lone low surrogate at text[i], which stands for the byte (unit & 0xFF).
bool IsEscapedByte(std::u16string_view text, size_t i);

// The string with every unpaired surrogate made U+FFFD, as it is shown.
std::u16string Shown(std::u16string_view text);

// One line of a text file: the line as text, and the line's own bytes as the
// system reads names (Files::Decode), which go back to the system as the
// same bytes. A target is looked for by its text first, then by its bytes
// (a folder named on a Latin-1 system).
struct TextLine {
  std::u16string text;
  std::u16string bytes;
};

// The number of units, at most n, that a cut of text may keep without
// splitting a surrogate pair.
size_t SafeCut(std::u16string_view text, size_t n);

}  // namespace kivora

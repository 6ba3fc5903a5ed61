// Conversions between the program's 16-bit strings and UTF-8. Unpaired surrogates and malformed
// UTF-8 become U+FFFD; nothing here throws on bad input.
#pragma once

#include <string>
#include <string_view>

namespace kivora {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// Latin-1 (ISO 8859-1): every byte is the code point of the same value.
std::u16string Latin1ToUtf16(std::string_view bytes);

}  // namespace kivora

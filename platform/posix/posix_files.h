// Files, paths and text for the Linux back end: the application directory,
// the mapping of the program's "\" paths, the directory lookup, sequential
// input from a file descriptor and decoding from the locale's character set.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/common/line_input.h"

namespace kivora::posix {

// The directory of /proc/self/exe, without a trailing "/" except at "/".
std::u16string AppDirectory();

// The program's path as Linux takes it: "\" becomes "/", UTF-8.
std::string NativePath(std::u16string_view path);

// Dir with mask 0: the file's name when path is a regular file (symbolic links
// followed), "" for anything else, directories, FIFOs, devices and sockets
// included.
std::u16string DirNormalFile(std::u16string_view path);

// Opens a regular file for sequential input. Never blocks on a FIFO.
// Throws RuntimeError 53 (missing), 70 (refused) or 75 (not a regular file).
std::unique_ptr<ByteSource> OpenInput(std::u16string_view path);

// Decodes bytes in the locale's character set (LC_CTYPE), bytes that do not
// decode becoming U+FFFD. In the C locale, whose set is ASCII, text is read as
// UTF-8, of which ASCII is a part.
std::u16string DecodeLocaleText(std::string_view bytes);

}  // namespace kivora::posix

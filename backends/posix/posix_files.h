// Files, paths and text on Linux: the launcher's folder, what a path names,
// reading from a file descriptor and decoding from the locale's character
// set. Paths arrive with "/" between folders; they are handed to the system as
// UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/menu_file.h"
#include "core/system.h"

namespace kivora::posix {

// The folder of /proc/self/exe, without a trailing "/" except at "/".
std::u16string LauncherFolder();

// A regular file (symbolic links followed) is a normal file; a FIFO, a
// device or a socket is none, so that none of them can make the reader hang.
FileKind Probe(const std::u16string& path);

// Opens a regular file for reading; never blocks on a FIFO. Throws
// RuntimeError: 53 missing, 70 refused, 75 not a regular file.
std::unique_ptr<ByteSource> OpenFile(const std::u16string& path);

// Decodes bytes in the locale's character set (LC_CTYPE), bytes that do not
// decode becoming U+FFFD. In the C locale, whose set is ASCII, text is read as
// UTF-8, of which ASCII is a part.
std::u16string Decode(std::string_view bytes);

}  // namespace kivora::posix

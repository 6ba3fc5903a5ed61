// Files and text on Windows: the launcher's folder, what a path names,
// reading through a file handle, decoding from the ANSI code page.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/menu_file.h"
#include "core/system.h"

namespace kivora::win32 {

// The folder of Kivora.exe; a drive root keeps its "\" ("D:\").
std::u16string LauncherFolder();

// A read-only file is a normal file (a CD is read-only); a hidden or system
// file is not.
FileKind Probe(const std::u16string& path);

// The names in a folder but "." and "..", none when it cannot be read.
std::vector<std::u16string> ListFolder(const std::u16string& folder);

// Throws RuntimeError: 53 missing, 70 refused, 75 otherwise.
std::unique_ptr<ByteSource> OpenFile(const std::u16string& path);

std::u16string Decode(std::string_view bytes);

}  // namespace kivora::win32

// What the program asks of a file system: what a path names, the names in a
// folder, and the bytes of a file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kivora {

enum class FileKind {
  kNone,        // nothing by that name
  kNormal,      // a file that is not hidden or a system file
  kHidden,      // a hidden or system file
  kFolder,
  kOther,       // a FIFO, a device, a socket
};

inline bool IsFile(FileKind kind) { return kind == FileKind::kNormal || kind == FileKind::kHidden; }

// Where the bytes come from: a file descriptor, a Windows handle, memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes; 0 at the end. Throws RuntimeError on failure.
  virtual size_t Read(char* buffer, size_t size) = 0;
};

// What a path names, and the names in a folder (none when it cannot be read).
struct FileLookup {
  std::function<FileKind(const std::u16string& path)> probe;
  std::function<std::vector<std::u16string>(const std::u16string& folder)> list;
};

}  // namespace kivora

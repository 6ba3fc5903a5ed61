// What the program asks of a file system: what a path names, the names in a
// folder, and the bytes of a file. Each system's files back end implements
// Files; no system type appears in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/conventions.h"
#include "core/system_error.h"

namespace kivora {

enum class FileKind {
  kNone,        // nothing by that name
  kNormal,      // a file that is not hidden or a system file
  kHidden,      // a hidden or system file
  kFolder,
  kOther,       // a FIFO, a device, a socket
};

// Whether a file may be started as a program, as far as the system's
// permissions go.
enum class RunPermission {
  kYes,            // it has the permission, or the system keeps none
  kNoExecuteBit,   // it lacks the execute bit: every file on a medium whose format keeps none (Joliet, FAT, UDF)
  kMediumForbids,  // the medium is mounted so that nothing on it may run (noexec): the system's policy
};

// Whether this system shows the hidden or system mark of the files on a
// medium: its format keeps none (ISO 9660, UDF, ext4), or the system shows it
// (Windows; a FAT medium on Linux, as Probe's kHidden), or the format keeps
// one that this system cannot read, which Windows will see.
enum class HiddenMarks { kNone, kShown, kUnseen };

inline bool IsFile(FileKind kind) { return kind == FileKind::kNormal || kind == FileKind::kHidden; }

// Where the bytes come from: a file descriptor, a Windows handle, memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to size bytes; 0 at the end. Throws RuntimeError on failure.
  virtual size_t Read(char* buffer, size_t size) = 0;
};

// How many bytes of a file's start, and of its end, the launch decision
// reads: a script's first line (the system reads at most 256 bytes of it), an
// ELF program's headers up to the name of its loader, a Windows program's
// headers; and whether anything follows a script's text.
constexpr size_t kHeadBytes = 4096;

// What a file's bytes say before it is started, as far as kHeadBytes of its
// start and end tell.
struct FileHead {
  std::string first;  // its first bytes
  std::string last;   // its last bytes (all of it, for a small file)
  uint64_t size = 0;
  bool readOnlyMedium = false;            // a disc, or a medium mounted read-only
  std::optional<SystemError> unreadable;  // what the system said when it could not read them
};

// What a path names, and the names in a folder (none when it cannot be read).
struct FileLookup {
  std::function<FileKind(const std::u16string& path)> probe;
  std::function<std::vector<std::u16string>(const std::u16string& folder)> list;
};

// What deciding a launch asks of a file system: what a path names, the names
// in a folder, a file's permission to run and its first bytes, and how bytes
// of a name read. The launcher asks its own system; the check asks a view of
// the disc as each system will see it.
struct FileFacts {
  FileLookup lookup;
  std::function<RunPermission(const std::u16string& path)> mayRun;
  std::function<FileHead(const std::u16string& path)> head;
  // Whether the system has a file at an absolute path of its own (a loader).
  std::function<bool(const std::u16string& path)> systemHas;
  std::function<std::u16string(std::string_view bytes)> decode;
};

class Files {
 public:
  virtual ~Files() = default;
  // The facts of this system's paths and text files.
  virtual Conventions conventions() = 0;
  // The launcher's own folder, without a trailing separator except at a
  // root, which keeps it ("D:\", "/").
  virtual std::u16string LauncherFolder() = 0;
  virtual FileKind Probe(const std::u16string& path) = 0;
  // The names in a folder but "." and "..", none when it cannot be read.
  virtual std::vector<std::u16string> ListFolder(const std::u16string& folder) = 0;
  // Whether the launcher's folder is still the one it was when the launcher
  // started (the same folder, not another one at its path): after a disc is
  // ejected or a stick pulled out it is not.
  virtual bool LauncherFolderRemains() = 0;
  // Whether the files in a folder show their hidden or system mark here.
  virtual HiddenMarks HiddenMarksIn(const std::u16string& folder) = 0;
  // Whether a file may be started as a program, where the system keeps such
  // a permission (the execute bit); kYes where it keeps none.
  virtual RunPermission MayRun(const std::u16string& path) = 0;
  // The first and last kHeadBytes of a file, its size and medium, or what
  // the system said when it could not read them (a scratched disc).
  virtual FileHead Head(const std::u16string& path) = 0;
  // Opens a file for reading. Throws RuntimeError.
  virtual std::unique_ptr<ByteSource> OpenFile(const std::u16string& path) = 0;
  // Bytes as the system reads names: in the locale's set (a byte that does
  // not decode is kept as an escaped byte, so that it goes back as the same
  // byte), in the ANSI code page.
  virtual std::u16string Decode(std::string_view bytes) = 0;
  // Text of a menu that is neither marked nor UTF-8, in the Windows ANSI code
  // page of the system's language: Windows its own; Linux, in a UTF-8
  // locale, the page of the locale's language (a disc's menus are written on
  // Windows), in a locale of another set that set.
  virtual std::u16string DecodeAnsi(std::string_view bytes) = 0;
  // What DecodeAnsi reads in, as the check names it ("Windows-1252", "BIG5").
  virtual std::u16string AnsiName() = 0;

  // What a path names and the names in a folder, for the rules that find a
  // name.
  FileLookup Lookup() {
    return {[this](const std::u16string& path) { return Probe(path); },
            [this](const std::u16string& folder) { return ListFolder(folder); }};
  }
  FileFacts Facts() {
    return {Lookup(), [this](const std::u16string& path) { return MayRun(path); },
            [this](const std::u16string& path) { return Head(path); },
            [this](const std::u16string& path) { return IsFile(Probe(path)); },
            [this](std::string_view bytes) { return Decode(bytes); }};
  }
};

}  // namespace kivora

// Files, paths and text on Linux: the launcher's folder, what a path names,
// reading from a file descriptor and decoding from the locale's character
// set. Paths arrive with "/" between folders; names and arguments go back to
// the system in the locale's set, as the menu file was read.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/menu_file.h"
#include "core/files.h"

namespace kivora::posix {

class PosixFiles : public Files {
 public:
  // Takes the launcher's folder, once: see LauncherFolder.
  PosixFiles();
  Conventions conventions() override { return kLinuxConventions; }
  // The folder of the launcher's own program file as it was when it started,
  // without a trailing "/" except at "/". That is the file its code was
  // loaded from, which /proc/self/exe names unless the program was started
  // through the dynamic loader (autorun.sh does so where the medium keeps no
  // execute permission): the link names the loader then.
  std::u16string LauncherFolder() override { return folder_; }
  // The folder at that path is still the one it was (its device and inode).
  bool LauncherFolderRemains() override;
  // A regular file (symbolic links followed) is a normal file, or a hidden
  // one where a FAT medium shows its hidden or system mark (as Windows
  // sees it); a FIFO, a device or a socket is none, so that none of them
  // can make the reader hang.
  FileKind Probe(const std::u16string& path) override;
  // A FAT medium shows the marks (vfat, through its ioctl); exFAT keeps them
  // unseen here; other formats keep none.
  HiddenMarks HiddenMarksIn(const std::u16string& folder) override;
  std::vector<std::u16string> ListFolder(const std::u16string& folder) override;
  // The medium is mounted noexec (statvfs), or the file has an execute bit
  // and the user may execute it (access X_OK), or not.
  RunPermission MayRun(const std::u16string& path) override;
  FileHead Head(const std::u16string& path) override;
  // Opens a regular file for reading; never blocks on a FIFO. Throws
  // RuntimeError: 53 missing, 70 refused, 75 not a regular file, 52 a name
  // the locale's set cannot write.
  std::unique_ptr<ByteSource> OpenFile(const std::u16string& path) override;
  std::u16string Decode(std::string_view bytes) override;
  std::u16string DecodeAnsi(std::string_view bytes) override;
  std::u16string AnsiName() override;

 private:
  std::u16string folder_;
  bool known_ = false;  // the folder's device and inode were read at the start
  unsigned long long device_ = 0, inode_ = 0;
};

// The folder of a program's path, as LauncherFolder gives it.
std::u16string FolderOf(std::string_view program);

// Decodes bytes in the locale's character set (LC_CTYPE). A byte that does
// not decode is kept as an escaped byte (core/text.h), so that Encode gives
// back the same bytes: a file's name need not be text in the locale's set.
// In the C locale, whose set is ASCII, text is read as UTF-8, of which ASCII
// is a part.
std::u16string Decode(std::string_view bytes);

// Text in the Windows ANSI code page of the locale's language, in a UTF-8
// (or the C) locale; in a locale of another set, as Decode. Bytes the page
// has no character for are escaped bytes, as in Decode.
std::u16string DecodeAnsi(std::string_view bytes);

// The same the other way: text in the locale's character set, each escaped
// byte its byte again, or nothing when the set has no byte for one of its
// characters.
std::optional<std::string> Encode(std::u16string_view text);

// A name or an argument in the locale's set. Throws RuntimeError 52 naming
// what it concerns when the set cannot write it.
std::string SystemBytes(std::u16string_view text, const std::u16string& concerns);

}  // namespace kivora::posix

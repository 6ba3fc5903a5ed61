// Files and text on Windows: the launcher's folder, what a path names,
// reading through a file handle, decoding from the ANSI code page.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/menu_file.h"
#include "core/files.h"

namespace kivora::win32 {

class Win32Files final : public Files {
 public:
  Conventions conventions() override { return kWindowsConventions; }
  // The folder of Kivora.exe; a drive root keeps its "\" ("D:\").
  std::u16string LauncherFolder() override;
  // A read-only file is a normal file (a CD is read-only); a hidden or
  // system file is not.
  FileKind Probe(const std::u16string& path) override;
  std::vector<std::u16string> ListFolder(const std::u16string& folder) override;
  // Windows shows the marks wherever a medium keeps them.
  HiddenMarks HiddenMarksIn(const std::u16string&) override { return HiddenMarks::kShown; }
  // A removed disc or stick leaves its drive letter without a medium, and
  // Windows itself then reports that it cannot find what Next names.
  bool LauncherFolderRemains() override { return true; }
  // Windows keeps no permission to run a file apart from reading it.
  RunPermission MayRun(const std::u16string&) override { return RunPermission::kYes; }
  FileHead Head(const std::u16string& path) override;
  // Throws RuntimeError: 53 missing, 70 refused, 75 otherwise.
  std::unique_ptr<ByteSource> OpenFile(const std::u16string& path) override;
  // Text in the ANSI code page.
  std::u16string Decode(std::string_view bytes) override;
  std::u16string DecodeAnsi(std::string_view bytes) override;
  std::u16string AnsiName() override;
};

}  // namespace kivora::win32

// A system for unit tests: answers from a scripted world (a folder, a
// screen, files, a user's choice) and records what the program showed and
// started. It fails only where a test scripts a failure.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/files.h"
#include "core/launcher_window.h"
#include "core/programs.h"
#include "core/text.h"
#include "core/window.h"

namespace kivora::testing {

// End() in the fake throws this, so that a test sees where the program ended.
struct FakeEnd {
  ExitStatus status;
};

// Windows' conventions, and Linux's, for the tests that need both.
constexpr Conventions kWindows = kWindowsConventions;
constexpr Conventions kLinux = kLinuxConventions;

// A Windows program's first bytes: the DOS header pointing at its PE header,
// for the machine given (0x14c x86, 0x8664 x64).
inline std::string PeProgram(unsigned machine = 0x14c) {
  std::string bytes = "MZ" + std::string(0x3a, '\0') + std::string("\x40\0\0\0", 4) + std::string("PE\0\0", 4);
  return bytes + char(machine & 0xff) + char(machine >> 8) + std::string(64, '\0');
}

// Bytes from memory, handed out in reads of at most chunk bytes.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes, size_t chunk = 4096) : bytes_(std::move(bytes)), chunk_(chunk) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min({size, chunk_, bytes_.size() - pos_});
    bytes_.copy(buffer, n, pos_);
    pos_ += n;
    return n;
  }

 private:
  std::string bytes_;
  size_t chunk_;
  size_t pos_ = 0;
};

// Latin-1 (ISO 8859-1): every byte is the code point of the same value.
inline std::u16string Latin1ToUtf16(std::string_view bytes) {
  std::u16string text;
  for (unsigned char b : bytes) text += char16_t(b);
  return text;
}

// An ELF program as a linker lays it out: its program headers first named by
// PT_PHDR, its loader's name (none: linked statically) at 0x318 (0x154 in a
// 32-bit program), one segment of 8 KiB, the section headers after it, then
// payload bytes of its own that no header names.
inline std::string Elf(bool wide, const std::string& loader, unsigned machine = 62, size_t payload = 0,
                       bool bigEndian = false) {
  const size_t header = wide ? 64 : 52, entry = wide ? 56 : 32, name = wide ? 0x318 : 0x154, body = 0x2000;
  const size_t sectionEntry = wide ? 64 : 40, sections = 4;
  std::string bytes(body + sections * sectionEntry + payload, '\0');
  auto put = [&](size_t at, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) bytes[at + (bigEndian ? size - 1 - i : i)] = char(value >> (8 * i) & 0xff);
  };
  const size_t word = wide ? 8 : 4;
  bytes.replace(0, 6, std::string("\x7f" "ELF") + char(wide ? 2 : 1) + char(bigEndian ? 2 : 1));
  put(0x12, machine, 2);
  put(wide ? 0x20 : 0x1c, header, word);  // e_phoff
  put(wide ? 0x28 : 0x20, body, word);    // e_shoff
  put(wide ? 0x36 : 0x2a, entry, 2);      // e_phentsize
  put(wide ? 0x38 : 0x2c, 3, 2);          // e_phnum
  put(wide ? 0x3a : 0x2e, sectionEntry, 2);
  put(wide ? 0x3c : 0x30, sections, 2);
  const struct { unsigned type; size_t offset, size; } segments[] = {
      {6, header, 3 * entry}, {loader.empty() ? 4u : 3u, name, loader.size() + 1}, {1, 0, body}};
  for (size_t i = 0; i < 3; ++i) {
    const size_t at = header + i * entry;
    put(at, segments[i].type, 4);
    put(at + word, segments[i].offset, word);             // p_offset
    put(at + (wide ? 32 : 16), segments[i].size, word);   // p_filesz
  }
  bytes.replace(name, loader.size(), loader);
  return bytes;
}

// Files that a probe tells of, in folders that list nothing.
inline FileLookup Probing(std::function<FileKind(const std::u16string&)> probe) {
  return {std::move(probe), [](const std::u16string&) { return std::vector<std::u16string>{}; }};
}

class FakeSystem : public Window, public Files, public Programs {
 public:
  // The scripted world.
  Conventions rules = kWindows;
  std::u16string folder = u"D:\\menu";
  Rect monitor{0, 0, 1024, 768};
  int dpi = kDefaultDpi;
  std::map<std::u16string, std::string> files;   // normal files, by path
  std::map<std::u16string, FileKind> others;     // folders, hidden files, by path
  std::set<std::u16string> hidden;               // files that bear the hidden or system mark, by path
  std::map<std::u16string, RunPermission> permissions;  // where it is not kYes, by path
  std::map<std::u16string, SystemCode> readFails;  // files whose bytes cannot be read
  bool readOnlyMedium = false;
  bool folderRemains = true;                     // the launcher's folder is still there
  HiddenMarks hiddenMarks = HiddenMarks::kShown;  // on the launcher's medium, as this system shows them
  Handed windowsApplication = Handed::kStarted;  // what handing a Windows program gives
  std::map<std::u16string, SystemCode> openFails;
  std::optional<SystemCode> startFails;
  std::optional<std::u16string> noApplication;  // what Open says when no application opens a type
  std::map<Control, bool> chosen{{Control::kChoice1, true}};
  std::function<void()> onPump;  // the user acting while events are pumped
  long long clock = 0;           // milliseconds; a test moves it on
  std::optional<long long> pressTime;  // when the press happened, if not at clock
  int doubleClickTime = 500;
  int charWidth = 8;             // every character is this wide, in every font
  // The ANSI code page's text; names are read as Latin-1 (Decode).
  std::function<std::u16string(std::string_view)> ansi = Latin1ToUtf16;

  // What the program did.
  std::optional<Point> placedAt;
  std::map<Control, std::u16string> texts;
  std::map<Control, size_t> accessKeys;
  std::map<Control, Rect> bounds;
  CloseLook look = CloseLook::kNormal;
  std::vector<Launch> started;
  std::vector<Launch> copied;  // started from a copy with the permission to run
  std::optional<SystemCode> copyFails;
  std::vector<std::u16string> opened;
  std::vector<Launch> handed;  // to the application for Windows programs
  std::vector<int> pumpsBeforeStart;  // how many pumps had run at each start
  int pumps = 0;
  std::vector<std::u16string> messages;
  struct ErrorLine {
    std::u16string line;
    size_t messagesBefore;  // how many boxes had been shown when it was written
  };
  std::vector<ErrorLine> errors;
  std::optional<Control> focused;
  std::vector<std::u16string> probed;
  std::vector<int> layouts;  // the resolution of each layout applied

  void Choose(Control choice);

  Conventions conventions() override { return rules; }
  int Dpi() override { return dpi; }
  void Build(const Layout& layout, LauncherWindow&) override { ApplyLayout(layout); }
  void ApplyLayout(const Layout& layout) override { layouts.push_back(layout.dpi); }
  Rect PrimaryMonitor() override { return monitor; }
  void PlaceWindow(Point topLeft) override { placedAt = topLeft; }
  int NeededWidth(Control, std::u16string_view text) override { return int(text.size()) * charWidth; }
  void ShowText(Control control, const Caption& caption, Rect where) override;
  bool IsChosen(Control choice) override { return chosen[choice]; }
  void ShowCloseLook(CloseLook shown) override { look = shown; }
  void Show(Control focus) override { focused = focus; }
  int RunEventLoop() override { return kExitClosed; }
  void PumpEvents() override;
  long long Milliseconds() override { return clock; }
  long long PressTime() override { return pressTime.value_or(clock); }
  int DoubleClickTime() override { return doubleClickTime; }
  void ShowMessage(const std::u16string& text) override { messages.push_back(text); }
  void WriteError(const std::u16string& line) override { errors.push_back({line, messages.size()}); }
  [[noreturn]] void End(ExitStatus status) override { throw FakeEnd{status}; }
  std::u16string LauncherFolder() override { return folder; }
  FileKind Probe(const std::u16string& path) override;
  bool LauncherFolderRemains() override { return folderRemains; }
  HiddenMarks HiddenMarksIn(const std::u16string&) override { return hiddenMarks; }
  RunPermission MayRun(const std::u16string& path) override {
    return permissions.count(path) ? permissions[path] : RunPermission::kYes;
  }
  FileHead Head(const std::u16string& path) override;
  std::vector<std::u16string> ListFolder(const std::u16string& folder) override;
  std::unique_ptr<ByteSource> OpenFile(const std::u16string& path) override;
  std::u16string Decode(std::string_view bytes) override;
  std::u16string DecodeAnsi(std::string_view bytes) override { return ansi(bytes); }
  std::u16string AnsiName() override { return u"Windows-1252"; }
  std::optional<SystemError> Start(const Launch& launch) override;
  std::optional<SystemError> StartCopy(const Launch& launch) override {
    if (copyFails) return SystemError{*copyFails, u"scripted failure"};
    copied.push_back(launch);
    return std::nullopt;
  }
  std::optional<std::u16string> Open(const Launch& launch) override;
  Handed StartWindowsProgram(const Launch& launch) override {
    if (windowsApplication == Handed::kStarted) handed.push_back(launch);
    return windowsApplication;
  }
};


}  // namespace kivora::testing

#include "backends/win32/win32_files.h"

#include <algorithm>

#include "backends/win32/win32_handles.h"
#include "core/runtime_error.h"

namespace kivora::win32 {

std::u16string Win32Files::LauncherFolder() {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, W(path), DWORD(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // a long path: try again with room for it
  }
  path.erase(path.find_last_of(u'\\'));
  if (path.size() == 2 && path[1] == u':') path += u'\\';
  return path;
}

FileKind Win32Files::Probe(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(W(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kNone;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::kFolder;
  if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return FileKind::kHidden;
  return FileKind::kNormal;
}

std::vector<std::u16string> Win32Files::ListFolder(const std::u16string& folder) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW entry;
  FindHandle find(FindFirstFileW(W(folder + u"\\*"), &entry));
  if (!find) return names;
  do {
    std::u16string name(reinterpret_cast<const char16_t*>(entry.cFileName));
    if (name != u"." && name != u"..") names.push_back(name);
  } while (FindNextFileW(find.get(), &entry));
  return names;
}

FileHead Win32Files::Head(const std::u16string& path) {
  FileHead head;
  auto failed = [&head, &path] {
    DWORD error = GetLastError();
    head.unreadable = SystemError{{SystemCode::kWin32, error}, SystemText(error, path)};
    return head;
  };
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return failed();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) return failed();
  head.size = uint64_t(size.QuadPart);
  const DWORD first = DWORD(std::min<uint64_t>(head.size, kHeadBytes));
  // Both ends, so that a disc that cannot be read there is seen here.
  auto readAt = [&](std::string& bytes, uint64_t at) {
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(at);
    bytes.resize(first);
    DWORD n = 0;
    bool read = SetFilePointerEx(file.get(), to, nullptr, FILE_BEGIN) && ReadFile(file.get(), bytes.data(), first, &n, nullptr);
    bytes.resize(n);
    return read;
  };
  if (!readAt(head.first, 0) || !readAt(head.last, head.size - first)) return failed();
  return head;
}

namespace {

class HandleSource : public ByteSource {
 public:
  HandleSource(UniqueHandle handle, std::u16string name) : handle_(std::move(handle)), name_(std::move(name)) {}

  size_t Read(char* buffer, size_t size) override {
    DWORD n = 0;
    if (!ReadFile(handle_.get(), buffer, DWORD(size), &n, nullptr)) {
      DWORD error = GetLastError();
      handle_.reset();  // not held open while the report is up (see TextReader)
      Raise(SystemFailure(Action::kRead, {SystemCode::kWin32, error}, name_, SystemText(error)));
    }
    return n;
  }

 private:
  UniqueHandle handle_;
  std::u16string name_;
};

}  // namespace

std::unique_ptr<ByteSource> Win32Files::OpenFile(const std::u16string& path) {
  UniqueHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    DWORD error = GetLastError();
    Raise(SystemFailure(Action::kRead, {SystemCode::kWin32, error}, path, SystemText(error)));
  }
  return std::make_unique<HandleSource>(std::move(file), path);
}

std::u16string Win32Files::Decode(std::string_view bytes) {
  if (bytes.empty()) return u"";
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::u16string out(size_t(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), W(out), n);
  return out;
}

// Windows reads a menu without a mark in its own ANSI code page, as it
// reads names.
std::u16string Win32Files::DecodeAnsi(std::string_view bytes) { return Decode(bytes); }

std::u16string Win32Files::AnsiName() {
  std::u16string name = u"Windows-";
  for (char c : std::to_string(GetACP())) name += char16_t(c);
  return name;
}

}  // namespace kivora::win32

#include "backends/posix/posix_files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora::posix {

std::u16string FolderOf(std::string_view program) {
  size_t slash = program.rfind('/');
  if (slash == std::string_view::npos) return u".";
  return Decode(slash == 0 ? "/" : program.substr(0, slash));
}

namespace {

// The path of the file this code was loaded from, as /proc/self/maps names
// it (a newline in it written as \012); else what /proc/self/exe names.
std::string OwnProgramPath() {
  std::string path;
  if (FILE* maps = std::fopen("/proc/self/maps", "re")) {
    const auto here = reinterpret_cast<unsigned long>(&OwnProgramPath);
    char* line = nullptr;
    size_t capacity = 0;
    while (path.empty() && getline(&line, &capacity, maps) > 0) {
      unsigned long start = 0, end = 0;
      int at = 0;
      if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*u %n", &start, &end, &at) < 2 || at == 0) continue;
      if (here < start || here >= end) continue;
      for (const char* c = line + at; *c && *c != '\n'; ++c)
        if (std::strncmp(c, "\\012", 4) == 0) path += '\n', c += 3;
        else path += *c;
    }
    std::free(line);
    std::fclose(maps);
  }
  if (!path.empty() && path[0] == '/') return path;
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  return n > 0 ? std::string(buffer.data(), size_t(n)) : "";
}

}  // namespace

PosixFiles::PosixFiles() {
  std::string program = OwnProgramPath();
  folder_ = program.empty() ? u"." : FolderOf(program);
  std::optional<std::string> native = Encode(folder_);
  struct stat st;
  if (native && stat(native->c_str(), &st) == 0) {
    known_ = true;
    device_ = st.st_dev;
    inode_ = st.st_ino;
  }
}

bool PosixFiles::LauncherFolderRemains() {
  if (!known_) return true;
  std::optional<std::string> native = Encode(folder_);
  struct stat st;
  return native && stat(native->c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

namespace {

// The hidden and system marks of a file on a FAT medium, as its owner may
// read them (FAT_IOCTL_GET_ATTRIBUTES); false on any other medium (ENOTTY),
// and where the file cannot be opened.
bool FatHiddenOrSystem(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  __u32 attributes = 0;
  bool marked = ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 && (attributes & (ATTR_HIDDEN | ATTR_SYS));
  close(fd);
  return marked;
}

}  // namespace

FileKind PosixFiles::Probe(const std::u16string& path) {
  std::optional<std::string> native = Encode(path);
  struct stat st;
  if (!native || stat(native->c_str(), &st) != 0) return FileKind::kNone;
  if (S_ISREG(st.st_mode)) return FatHiddenOrSystem(native->c_str()) ? FileKind::kHidden : FileKind::kNormal;
  if (S_ISDIR(st.st_mode)) return FileKind::kFolder;
  return FileKind::kOther;
}

HiddenMarks PosixFiles::HiddenMarksIn(const std::u16string& folder) {
  constexpr long kExfat = 0x2011BAB0;  // EXFAT_SUPER_MAGIC, which older headers lack
  std::optional<std::string> native = Encode(folder);
  struct statfs medium;
  if (!native || statfs(native->c_str(), &medium) != 0) return HiddenMarks::kNone;
  if (long(medium.f_type) == kExfat) return HiddenMarks::kUnseen;
  if (medium.f_type != MSDOS_SUPER_MAGIC) return HiddenMarks::kNone;
  // vfat answers the ioctl for a folder too; a FAT medium that does not
  // (another driver for it) keeps marks that nothing here reads.
  int fd = open(native->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  __u32 attributes = 0;
  bool shown = fd >= 0 && ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0;
  if (fd >= 0) close(fd);
  return shown ? HiddenMarks::kShown : HiddenMarks::kUnseen;
}

RunPermission PosixFiles::MayRun(const std::u16string& path) {
  std::optional<std::string> native = Encode(path);
  if (!native) return RunPermission::kNoExecuteBit;
  struct statvfs medium;
  if (statvfs(native->c_str(), &medium) == 0 && (medium.f_flag & ST_NOEXEC)) return RunPermission::kMediumForbids;
  // The bits too: a FUSE file system may grant the permission to a file
  // without a bit, which the system then refuses to run.
  struct stat st;
  bool bit = stat(native->c_str(), &st) == 0 && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH));
  return bit && access(native->c_str(), X_OK) == 0 ? RunPermission::kYes : RunPermission::kNoExecuteBit;
}

FileHead PosixFiles::Head(const std::u16string& path) {
  FileHead head;
  auto failed = [&head](int err) {
    head.unreadable = SystemError{{SystemCode::kErrno, unsigned(err)}, Utf8ToUtf16(strerror(err))};
    return head;
  };
  std::optional<std::string> native = Encode(path);
  if (!native) return failed(ENOENT);
  int fd = open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return failed(errno);
  struct stat st;
  struct statvfs medium;
  if (fstat(fd, &st) != 0) {
    int err = errno;
    close(fd);
    return failed(err);
  }
  head.size = uint64_t(st.st_size);
  head.readOnlyMedium = fstatvfs(fd, &medium) == 0 && (medium.f_flag & ST_RDONLY);
  // Both ends read as they are, so that an error reading either (a
  // scratched disc, a stick pulled out) is seen here and not guessed at.
  auto readAt = [&](std::string& bytes, off_t at, size_t size) {
    bytes.resize(size);
    size_t got = 0;
    while (got < size) {
      ssize_t n = pread(fd, bytes.data() + got, size - got, at + off_t(got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) break;
      got += size_t(n);
    }
    bytes.resize(got);
    return 0;
  };
  const size_t first = size_t(std::min<uint64_t>(head.size, kHeadBytes));
  int err = readAt(head.first, 0, first);
  if (err == 0) err = readAt(head.last, off_t(head.size - first), first);
  close(fd);
  if (err != 0) return failed(err);
  return head;
}

std::vector<std::u16string> PosixFiles::ListFolder(const std::u16string& folder) {
  std::vector<std::u16string> names;
  std::optional<std::string> native = Encode(folder);
  DIR* dir = native ? opendir(native->c_str()) : nullptr;
  if (!dir) return names;
  while (const dirent* entry = readdir(dir))
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.push_back(Decode(entry->d_name));
  closedir(dir);
  return names;
}

namespace {

std::u16string ErrnoText(int err) { return Utf8ToUtf16(strerror(err)); }

class FdSource : public ByteSource {
 public:
  FdSource(int fd, std::u16string name) : fd_(fd), name_(std::move(name)) {}
  ~FdSource() override { close(fd_); }

  size_t Read(char* buffer, size_t size) override {
    for (;;) {
      ssize_t n = read(fd_, buffer, size);
      if (n >= 0) return size_t(n);
      int err = errno;
      if (err != EINTR) Raise(SystemFailure(Action::kRead, {SystemCode::kErrno, unsigned(err)}, name_, ErrnoText(err)));
    }
  }

 private:
  int fd_;
  std::u16string name_;
};

}  // namespace

std::unique_ptr<ByteSource> PosixFiles::OpenFile(const std::u16string& path) {
  // O_NONBLOCK so that a FIFO put there after the presence check cannot hang
  // the open; it is cleared again for the regular file we expect.
  int fd = open(SystemBytes(path, path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    int err = errno;
    Raise(SystemFailure(Action::kRead, {SystemCode::kErrno, unsigned(err)}, path, ErrnoText(err)));
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    Raise(RuntimeError(kErrPathAccess, path + u": not a regular file"));
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<FdSource>(fd, path);
}

namespace {

bool IsUtf8Locale(const std::string& codeset) {
  return codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || codeset.empty();
}

// Converts with iconv. onInvalid is called for a sequence that does not
// convert, with the output so far and the offset of the sequence in the
// input; it returns the number of input bytes to skip, 0 to give up.
template <typename OnInvalid>
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, OnInvalid onInvalid) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> chunk(4 * in.size() + 8);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  bool ok = true;
  while (inLeft > 0 && ok) {
    char* outPtr = chunk.data();
    size_t outLeft = chunk.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    int err = rc == size_t(-1) ? errno : 0;  // before the append can change it
    out.append(chunk.data(), size_t(outPtr - chunk.data()));
    if (err == EILSEQ || err == EINVAL) {
      size_t skip = onInvalid(out, size_t(inPtr - in.data()));
      ok = skip != 0;
      inPtr += skip;
      inLeft -= std::min(skip, inLeft);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else if (err != 0 && err != E2BIG) {
      ok = false;
    }
  }
  iconv_close(cd);
  return ok;
}

std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += char(unit & 0xFF);
    bytes += char(unit >> 8);
  }
  return bytes;
}

}  // namespace

// One iconv conversion descriptor, for as long as it is needed.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (*this) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  explicit operator bool() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // A short input converted whole, from the initial state; false when it is
  // no whole sequence of the set.
  bool Whole(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[32];
    char* inPtr = const_cast<char*>(in.data());
    char* outPtr = buffer;
    size_t inLeft = in.size(), outLeft = sizeof buffer;
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0) return false;
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1)) return false;
    out.assign(buffer, size_t(outPtr - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

namespace {

// A character at a time, each one checked to go back to its own bytes: some
// sets (Big5) read two byte pairs as one character, and a name must come
// back as the bytes it came in. Bytes that begin no character, or that would
// not come back, are kept as escaped bytes.
std::u16string DecodeIn(const char* set, std::string_view bytes) {
  Iconv toText("UTF-16LE", set), toBytes(set, "UTF-16LE");
  if (!toText || !toBytes) return Utf8ToUtf16Escaped(bytes);
  std::u16string out;
  for (size_t i = 0; i < bytes.size();) {
    std::string units, back;
    size_t taken = 0;
    for (size_t n = 1; n <= 4 && i + n <= bytes.size() && !taken; ++n)
      if (toText.Whole(bytes.substr(i, n), units) && !units.empty() && toBytes.Whole(units, back) &&
          back == bytes.substr(i, n))
        taken = n;
    if (!taken) {
      out += EscapedByte(static_cast<unsigned char>(bytes[i++]));
      continue;
    }
    for (size_t k = 0; k + 1 < units.size(); k += 2)
      out += char16_t(static_cast<unsigned char>(units[k]) | static_cast<unsigned char>(units[k + 1]) << 8);
    i += taken;
  }
  return out;
}

std::string AnsiSet() {
  std::string codeset = nl_langinfo(CODESET);
  if (!IsUtf8Locale(codeset)) return codeset;
  const char* locale = setlocale(LC_CTYPE, nullptr);
  return "CP" + std::to_string(AnsiCodePageOfLocale(locale ? locale : ""));
}

}  // namespace

std::u16string Decode(std::string_view bytes) {
  std::string codeset = nl_langinfo(CODESET);
  return IsUtf8Locale(codeset) ? Utf8ToUtf16Escaped(bytes) : DecodeIn(codeset.c_str(), bytes);
}

std::u16string DecodeAnsi(std::string_view bytes) {
  std::string set = AnsiSet();
  return set == nl_langinfo(CODESET) ? Decode(bytes) : DecodeIn(set.c_str(), bytes);
}

std::optional<std::string> Encode(std::u16string_view text) {
  std::string codeset = nl_langinfo(CODESET);
  if (IsUtf8Locale(codeset)) return Utf16ToUtf8Escaped(text);
  // Text between escaped bytes goes through the set; each escaped byte is
  // its byte again.
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    bool escaped = i < text.size() && IsEscapedByte(text, i);
    if (i < text.size() && !escaped) continue;
    if (i > start && !Convert(codeset.c_str(), "UTF-16LE", Utf16LeBytes(text.substr(start, i - start)), out,
                              [](std::string&, size_t) { return size_t(0); }))
      return std::nullopt;
    if (escaped) out += char(text[i] & 0xFF);
    start = i + 1;
  }
  return out;
}

std::u16string PosixFiles::Decode(std::string_view bytes) { return posix::Decode(bytes); }
std::u16string PosixFiles::DecodeAnsi(std::string_view bytes) { return posix::DecodeAnsi(bytes); }

std::u16string PosixFiles::AnsiName() {
  std::string set = AnsiSet();
  return Utf8ToUtf16(set.compare(0, 2, "CP") == 0 ? "Windows-" + set.substr(2) : set);
}

std::string SystemBytes(std::u16string_view text, const std::u16string& concerns) {
  std::optional<std::string> bytes = Encode(text);
  if (!bytes)
    Raise(RuntimeError(kErrBadFileName, concerns + u": a character of it has no place in the system's character set (" +
                                            Utf8ToUtf16(nl_langinfo(CODESET)) + u")"));
  return *bytes;
}

}  // namespace kivora::posix

#include "backends/posix/posix_files.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "core/runtime_error.h"
#include "core/text.h"

namespace kivora::posix {

std::u16string LauncherFolder() {
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return u".";
  std::string exe(buffer.data(), size_t(n));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return u".";
  return Utf8ToUtf16(slash == 0 ? std::string("/") : exe.substr(0, slash));
}

FileKind Probe(const std::u16string& path) {
  struct stat st;
  if (stat(Utf16ToUtf8(path).c_str(), &st) != 0) return FileKind::kNone;
  if (S_ISREG(st.st_mode)) return FileKind::kNormal;
  if (S_ISDIR(st.st_mode)) return FileKind::kFolder;
  return FileKind::kOther;
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
      if (errno != EINTR) throw SystemFailure(Action::kRead, {SystemCode::kErrno, unsigned(errno)}, name_, ErrnoText(errno));
    }
  }

 private:
  int fd_;
  std::u16string name_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFile(const std::u16string& path) {
  // O_NONBLOCK so that a FIFO put there after the presence check cannot hang
  // the open; it is cleared again for the regular file we expect.
  int fd = open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    int err = errno;
    throw SystemFailure(Action::kRead, {SystemCode::kErrno, unsigned(err)}, path, ErrnoText(err));
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    throw RuntimeError(kErrPathAccess, path + u": not a regular file");
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<FdSource>(fd, path);
}

std::u16string Decode(std::string_view bytes) {
  std::string codeset = nl_langinfo(CODESET);
  if (codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || codeset.empty()) return Utf8ToUtf16(bytes);

  iconv_t cd = iconv_open("UTF-16LE", codeset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return Utf8ToUtf16(bytes);
  std::u16string out;
  std::vector<char> chunk(4 * bytes.size() + 8);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = chunk.data();
    size_t outLeft = chunk.size();
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    for (char* p = chunk.data(); p + 1 < outPtr; p += 2)
      out += char16_t(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
    if (rc == size_t(-1) && (errno == EILSEQ || errno == EINVAL)) {
      out += u'\uFFFD';  // an invalid or cut-off sequence: skip one byte
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else if (rc == size_t(-1) && errno != E2BIG) {
      break;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace kivora::posix

#include "core/runtime_error.h"

#include <cerrno>

#include "core/text.h"

namespace kivora {

const char* ErrorText(int number) {
  switch (number) {
    case kErrInvalidCall: return "Invalid procedure call or argument";
    case kErrOutOfMemory: return "Out of memory";
    case kErrBadFileName: return "Bad file name or number";
    case kErrFileNotFound: return "File not found";
    case kErrDeviceIO: return "Device I/O error";
    case kErrDiskFull: return "Disk full";
    case kErrPastEndOfFile: return "Input past end of file";
    case kErrPermissionDenied: return "Permission denied";
    case kErrPathAccess: return "Path/File access error";
    default: return "Application-defined or object-defined error";
  }
}

namespace {

// Neither system's message box breaks a word that is wider than the box: a
// path of a few hundred characters without a blank would make it wider than
// the screen. In the box, a run of more characters than this without a blank
// goes on over several lines.
constexpr size_t kLongestRun = 64;

bool IsBreak(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

std::u16string BrokenIntoLines(std::u16string_view text) {
  std::u16string lines;
  while (!text.empty()) {
    size_t run = 0;
    while (run < text.size() && !IsBreak(text[run])) ++run;
    if (run > kLongestRun) run = SafeCut(text, kLongestRun);  // never inside a pair
    lines += text.substr(0, run);
    text.remove_prefix(run);
    if (!text.empty() && IsBreak(text[0])) {
      lines += text[0];
      text.remove_prefix(1);
    } else if (!text.empty()) {
      lines += u'\n';
    }
  }
  return lines;
}

}  // namespace

RuntimeError::RuntimeError(int number, std::u16string concerns)
    : number_(number), concerns_(std::move(concerns)) {}

std::u16string RuntimeError::Report() const {
  std::u16string report =
      u"Run-time error '" + Utf8ToUtf16(std::to_string(number_)) + u"':\n\n" + Utf8ToUtf16(ErrorText(number_));
  if (!concerns_.empty()) report += u"\n\n" + BrokenIntoLines(Shown(concerns_));
  return report;
}

std::u16string RuntimeError::ReportLine() const {
  std::u16string line =
      u"Run-time error '" + Utf8ToUtf16(std::to_string(number_)) + u"': " + Utf8ToUtf16(ErrorText(number_));
  if (!concerns_.empty()) line += u" " + Shown(concerns_);
  return line;
}

namespace {

// Windows error codes by value, so that this table needs no Windows header.
enum : unsigned long {
  kWinFileNotFound = 2,        // ERROR_FILE_NOT_FOUND
  kWinPathNotFound = 3,        // ERROR_PATH_NOT_FOUND
  kWinAccessDenied = 5,        // ERROR_ACCESS_DENIED
  kWinSharingViolation = 32,   // ERROR_SHARING_VIOLATION
  kWinFilenameTooLong = 206,   // ERROR_FILENAME_EXCED_RANGE
  kWinInvalidName = 123,       // ERROR_INVALID_NAME
  kWinBadExeFormat = 193,      // ERROR_BAD_EXE_FORMAT
  kWinNotReady = 21,           // ERROR_NOT_READY: no disc in the drive
  kWinCrc = 23,                // ERROR_CRC: a scratched disc
  kWinReadFault = 30,          // ERROR_READ_FAULT
  kWinDiskFull = 112,          // ERROR_DISK_FULL
};

constexpr struct {
  SystemCode::Family family;
  unsigned long value;
  int number;
} kSystemCodes[] = {
    {SystemCode::kErrno, ENOENT, kErrFileNotFound},
    {SystemCode::kErrno, ENOTDIR, kErrFileNotFound},
    {SystemCode::kErrno, EACCES, kErrPermissionDenied},
    {SystemCode::kErrno, EPERM, kErrPermissionDenied},
    {SystemCode::kErrno, ENAMETOOLONG, kErrBadFileName},
    {SystemCode::kErrno, EIO, kErrDeviceIO},
    {SystemCode::kErrno, ENOSPC, kErrDiskFull},
#ifdef EDQUOT
    {SystemCode::kErrno, EDQUOT, kErrDiskFull},
#endif
    {SystemCode::kWin32, kWinFileNotFound, kErrFileNotFound},
    {SystemCode::kWin32, kWinPathNotFound, kErrFileNotFound},
    {SystemCode::kWin32, kWinInvalidName, kErrFileNotFound},
    {SystemCode::kWin32, kWinAccessDenied, kErrPermissionDenied},
    {SystemCode::kWin32, kWinSharingViolation, kErrPermissionDenied},
    {SystemCode::kWin32, kWinFilenameTooLong, kErrBadFileName},
    {SystemCode::kWin32, kWinNotReady, kErrDeviceIO},
    {SystemCode::kWin32, kWinCrc, kErrDeviceIO},
    {SystemCode::kWin32, kWinReadFault, kErrDeviceIO},
    {SystemCode::kWin32, kWinDiskFull, kErrDiskFull},
};

}  // namespace

int ErrorNumberFor(Action action, SystemCode code) {
  for (const auto& row : kSystemCodes)
    if (row.family == code.family && row.value == code.value) return row.number;
  // A file that cannot be read for another cause is an access error; a
  // program that cannot be started for another cause, an invalid call.
  return action == Action::kRead ? kErrPathAccess : kErrInvalidCall;
}

bool IsNotAProgram(SystemCode code) {
  if (code.family == SystemCode::kErrno) return code.value == ENOEXEC || code.value == EACCES;
  return code.value == kWinBadExeFormat;
}

std::u16string Concerning(const std::u16string& what, const std::u16string& systemText) {
  if (systemText.empty()) return what;
  return systemText.find(what) != std::u16string::npos ? systemText : what + u": " + systemText;
}

RuntimeError SystemFailure(Action action, SystemCode code, const std::u16string& what,
                           const std::u16string& systemText) {
  return RuntimeError(ErrorNumberFor(action, code), Concerning(what, systemText));
}

}  // namespace kivora

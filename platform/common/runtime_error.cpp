#include "platform/runtime_error.h"

#include "platform/common/text.h"

namespace kivora {

const char* ErrorText(int number) {
  switch (number) {
    case kErrInvalidCall: return "Invalid procedure call or argument";
    case kErrOutOfMemory: return "Out of memory";
    case kErrBadFileNumber: return "Bad file name or number";
    case kErrFileNotFound: return "File not found";
    case kErrFileAlreadyOpen: return "File already open";
    case kErrPastEndOfFile: return "Input past end of file";
    case kErrPermissionDenied: return "Permission denied";
    case kErrPathAccess: return "Path/File access error";
    default: return "Application-defined or object-defined error";
  }
}

RuntimeError::RuntimeError(int number, std::u16string concerns)
    : std::runtime_error(ErrorText(number)), number_(number), concerns_(std::move(concerns)) {}

std::u16string RuntimeError::Report() const {
  std::u16string report = u"Run-time error '" + Utf8ToUtf16(std::to_string(number_)) + u"':\n\n" +
                          Utf8ToUtf16(ErrorText(number_));
  if (!concerns_.empty()) report += u"\n\n" + concerns_;
  return report;
}

}  // namespace kivora

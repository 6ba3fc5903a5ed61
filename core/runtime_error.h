// A run-time error: its number, the text for it and what it concerns (a file,
// a line of the menu, a program), so that whoever wrote the menu file can see
// what to mend. It is raised with Raise(); nothing in the program catches it
// but the window's dispatch, which reports it and ends the process.
#pragma once

#include <string>

#include "core/system_error.h"

namespace kivora {

enum ErrorNumber : int {
  kErrInvalidCall = 5,        // Invalid procedure call or argument
  kErrOutOfMemory = 7,        // Out of memory
  kErrBadFileName = 52,       // Bad file name or number
  kErrFileNotFound = 53,      // File not found
  kErrDeviceIO = 57,          // Device I/O error
  kErrDiskFull = 61,          // Disk full
  kErrPastEndOfFile = 62,     // Input past end of file
  kErrPermissionDenied = 70,  // Permission denied
  kErrPathAccess = 75,        // Path/File access error
};

// The text for an error number ("Input past end of file").
const char* ErrorText(int number);

class RuntimeError {
 public:
  explicit RuntimeError(int number, std::u16string concerns = {});

  int number() const { return number_; }
  const std::u16string& concerns() const { return concerns_; }

  // The report as the message box shows it:
  //   Run-time error '62':
  //
  //   Input past end of file
  //
  //   <what it concerns, a long run without a blank over several lines>
  std::u16string Report() const;
  // The same on one line, for standard error.
  std::u16string ReportLine() const;

 private:
  int number_;
  std::u16string concerns_;
};

// What the program was doing when the system said no: the number of a failure
// the table does not name depends on it.
enum class Action { kRead, kStart };

// The one table from system failure codes to run-time error numbers.
int ErrorNumberFor(Action action, SystemCode code);

// Whether a file the system refused to start is no program of a format it
// runs (a document): ENOEXEC, or EACCES for a file without execute
// permission; ERROR_BAD_EXE_FORMAT on Windows.
bool IsNotAProgram(SystemCode code);

// Raises a run-time error: every failure of the program leaves by here. The
// dispatch of the handler it arises in reports it and ends the program (see
// raise.cpp).
[[noreturn]] void Raise(const RuntimeError& error);

// What a report or a message says about what: the system's text alone where
// the system put the name in it, else "<what>: <the system's text>".
std::u16string Concerning(const std::u16string& what, const std::u16string& systemText);

// The error for a failed system call on what, concerning what (see
// Concerning).
RuntimeError SystemFailure(Action action, SystemCode code, const std::u16string& what,
                           const std::u16string& systemText);
inline RuntimeError SystemFailure(Action action, const SystemError& error, const std::u16string& what) {
  return SystemFailure(action, error.code, what, error.text);
}

}  // namespace kivora

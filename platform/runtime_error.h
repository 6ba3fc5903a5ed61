// A run-time error: its number, the run time's text for it and what it
// concerns (a file, a command line), so that whoever wrote the menu file can
// see what to mend. Nothing in the program catches it; the run time reports it
// where it dispatched the event and ends the process.
#pragma once

#include <stdexcept>
#include <string>

namespace kivora {

enum ErrorNumber : int {
  kErrInvalidCall = 5,       // Invalid procedure call or argument
  kErrOutOfMemory = 7,       // Out of memory
  kErrBadFileNumber = 52,    // Bad file name or number
  kErrFileNotFound = 53,     // File not found
  kErrFileAlreadyOpen = 55,  // File already open
  kErrPastEndOfFile = 62,    // Input past end of file
  kErrPermissionDenied = 70, // Permission denied
  kErrPathAccess = 75,       // Path/File access error
};

// The run time's text for an error number ("Input past end of file").
const char* ErrorText(int number);

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, std::u16string concerns = {});

  int number() const { return number_; }
  const std::u16string& concerns() const { return concerns_; }

  // The report as the user sees it:
  //   Run-time error '62':
  //
  //   Input past end of file
  //
  //   <what it concerns>
  std::u16string Report() const;

 private:
  int number_;
  std::u16string concerns_;
};

}  // namespace kivora

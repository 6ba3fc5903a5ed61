// What a system says when it refuses: its code and its own words. The files
// and the programs back ends give it; core/runtime_error turns it into a
// report.
#pragma once

#include <string>

namespace kivora {

// A failure code as the system gives it: errno on Linux, GetLastError() on
// Windows.
struct SystemCode {
  enum Family { kErrno, kWin32 } family;
  unsigned long value;
};

// What the system said when it refused: its code and its own text for it.
struct SystemError {
  SystemCode code;
  std::u16string text;
};

}  // namespace kivora

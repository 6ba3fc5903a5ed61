// How a run-time error gets from where it arises to its report. With
// exceptions (the Linux launcher, the tests) it is thrown, and the dispatch of
// the handler it leaves catches it, reports it and ends the program. Kivora.exe
// is built without them, so that the standard library's exception support and
// unwinder stay out of it: there the error is reported where it arises, and the
// program ends, which is all the dispatch would have done with it.
#include "core/raise.h"

#if __cpp_exceptions

#include <new>
#include <stdexcept>

namespace kivora {

void Raise(const RuntimeError& error) { throw error; }

void Dispatch(Reporter& reporter, Handler handler) {
  try {
    handler();
  } catch (const RuntimeError& error) {
    reporter.ShowReport(error);
    reporter.End(kExitRuntimeError);
  } catch (const std::bad_alloc&) {
    reporter.ShowReport(RuntimeError(kErrOutOfMemory));
    reporter.End(kExitRuntimeError);
  } catch (const std::logic_error&) {
    // A string or container asked for more than it can hold, or misused:
    // what Kivora.exe's library helpers raise (see below).
    reporter.ShowReport(RuntimeError(kErrInvalidCall));
    reporter.End(kExitRuntimeError);
  }
}

}  // namespace kivora

#else

#include <cstdlib>
#include <string>
#include <utility>

namespace kivora {

namespace {

// The reporter of the handler being dispatched; none outside a dispatch, and
// none while a report is being made.
Reporter* current = nullptr;

}  // namespace

void Raise(const RuntimeError& error) {
  // Where nothing would have caught it, the program ends as on an uncaught
  // exception.
  Reporter* reporter = std::exchange(current, nullptr);
  if (!reporter) std::abort();
  reporter->ShowReport(error);
  reporter->End(kExitRuntimeError);
  std::abort();  // End does not return
}

void Dispatch(Reporter& reporter, Handler handler) {
  Reporter* outer = std::exchange(current, &reporter);
  handler();
  current = outer;
}

}  // namespace kivora

// The standard library's strings, containers and std::function report a
// request too large or a misuse through these helpers, which its own build
// defines to throw. libstdc++ declares them (bits/functexcept.h) for code
// built without exceptions, so that such a program can define them: here each
// raises a run-time error, "Out of memory" for an allocation that cannot be
// made and "Invalid procedure call or argument" for the rest.
namespace std {

void __throw_bad_alloc() { kivora::Raise(kivora::RuntimeError(kivora::kErrOutOfMemory)); }
void __throw_bad_array_new_length() { kivora::Raise(kivora::RuntimeError(kivora::kErrOutOfMemory)); }
void __throw_length_error(const char*) { kivora::Raise(kivora::RuntimeError(kivora::kErrInvalidCall)); }
void __throw_logic_error(const char*) { kivora::Raise(kivora::RuntimeError(kivora::kErrInvalidCall)); }
void __throw_out_of_range_fmt(const char*, ...) { kivora::Raise(kivora::RuntimeError(kivora::kErrInvalidCall)); }
void __throw_bad_function_call() { kivora::Raise(kivora::RuntimeError(kivora::kErrInvalidCall)); }

}  // namespace std

// std::string compiled here, without exceptions: the library's prebuilt copy
// is built with them, and would bring their support back in.
template class std::basic_string<char>;

// Memory from the C run time. Where the library's operator new would throw
// std::bad_alloc for the dispatch to report as "Out of memory", this raises
// that error itself.
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  kivora::Raise(kivora::RuntimeError(kivora::kErrOutOfMemory));
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

#endif

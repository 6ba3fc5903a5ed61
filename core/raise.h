// How a run-time error gets from where it arises to its report: every handler
// runs inside Dispatch, and a reporter shows the report and ends the program
// (see raise.cpp).
#pragma once

#include <type_traits>

#include "core/runtime_error.h"

namespace kivora {

// Exit statuses a caller (a script, an autorun handler) can act on.
enum ExitStatus : int {
  kExitClosed = 0,        // the user closed the launcher; a check found nothing wrong
  kExitMenuMissing = 1,   // "Error!": no menu file beside the launcher
  kExitRuntimeError = 2,  // a run-time error was reported
  kExitMenuProblems = 3,  // a check found problems in the menu
  kExitUsage = 4,         // an argument the program does not take: nothing was done
};

// Who reports a run-time error, and ends the program after it.
class Reporter {
 public:
  virtual ~Reporter() = default;
  // The report of a run-time error: the box, and standard error where the
  // process has one (or, for a check, standard output).
  virtual void ShowReport(const RuntimeError& error) = 0;
  // Ends the program at once: no further handler runs, the window goes.
  [[noreturn]] virtual void End(ExitStatus status) = 0;
};

// A handler to run: anything that can be called without arguments, taken by
// reference for the length of the call (a lambda, written where it is
// dispatched), so that no copy of it is made.
class Handler {
 public:
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Handler>>>
  Handler(F&& f)
      : object_(const_cast<void*>(static_cast<const void*>(&f))),
        call_([](void* object) { (*static_cast<std::remove_reference_t<F>*>(object))(); }) {}
  void operator()() const { call_(object_); }

 private:
  void* object_;
  void (*call_)(void*);
};

// Runs a handler as the window's dispatch does: a run-time error that leaves
// it is reported, and ends the program.
void Dispatch(Reporter& reporter, Handler handler);

}  // namespace kivora

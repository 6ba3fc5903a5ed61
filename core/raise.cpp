// How a run-time error gets from where it arises to its report: it is thrown,
// and the dispatch of the handler it leaves catches it, reports it and ends
// the program.
#include <new>

#include "core/launcher_window.h"
#include "core/runtime_error.h"

namespace kivora {

void Raise(const RuntimeError& error) { throw error; }

void Dispatch(System& system, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const RuntimeError& error) {
    system.ShowReport(error);
    system.End(kExitRuntimeError);
  } catch (const std::bad_alloc&) {
    system.ShowReport(RuntimeError(kErrOutOfMemory));
    system.End(kExitRuntimeError);
  }
}

}  // namespace kivora

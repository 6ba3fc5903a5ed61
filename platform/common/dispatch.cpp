#include "platform/common/dispatch.h"

#include <new>

namespace kivora {

void Dispatch(Runtime& runtime, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const RuntimeError& error) {
    runtime.ReportError(error);
    runtime.End(kExitRuntimeError);
  } catch (const std::bad_alloc&) {
    runtime.ReportError(RuntimeError(kErrOutOfMemory));
    runtime.End(kExitRuntimeError);
  }
}

}  // namespace kivora

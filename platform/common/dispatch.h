// How a back end runs an event handler of the form, as a forms run time does:
// a run-time error that leaves the handler is reported and ends the program.
#pragma once

#include <functional>

#include "platform/runtime.h"

namespace kivora {

void Dispatch(Runtime& runtime, const std::function<void()>& handler);

}  // namespace kivora

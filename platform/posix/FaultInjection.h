// The check each fault-injectable platform call makes on entry.
#pragma once

#include "platform/win32.h"

namespace tessaline::platform {

// True when an armed fault takes this call of `function`; the call must then
// fail at once. The fault's error is already set as the last error.
bool InjectFault(const char* function);

}  // namespace tessaline::platform

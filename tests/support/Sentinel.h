// The value a test sets as the thread's last error before a call, so that
// afterwards it shows whether the call touched it.
#pragma once

#include "platform/win32.h"

namespace tessaline::testing {

constexpr DWORD kSentinel = 0xDEADBEEF;

}  // namespace tessaline::testing

// The one place where errno values become Win32 error numbers.
#pragma once

#include "platform/win32.h"

namespace tessaline::platform {

DWORD Win32ErrorFromErrno(int error);

// Sets the last error from errno-style `error` and returns FALSE, for the
// common "fail this call" path.
BOOL FailWithErrno(int error);

}  // namespace tessaline::platform

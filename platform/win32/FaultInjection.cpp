// Windows: the real API cannot be made to fail on demand, so no fault is
// ever armed; tests that need injected faults run on the posix backend.
#include "platform/FaultInjection.h"

namespace tessaline::platform::testing {

void FailNextCalls(const char*, DWORD, unsigned, bool) {}
void ClearFaults() {}
unsigned PendingFaults(const char*)
{
    return 0;
}

}  // namespace tessaline::platform::testing

BOOL tessaline::platform::testing::InjectReceivedBytes(HANDLE, const void*, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

// Fault injection for tests: makes chosen platform calls fail with a chosen
// error number, for failures a real device cannot be made to produce. Tests
// arm faults (namespace testing); each injectable call of the posix backend
// checks on entry (InjectFault). The Windows backend arms nothing.
//
// Nothing is armed unless a test arms it; while nothing is armed the check in
// each call is one relaxed atomic load. Any thread may arm or clear faults.
#pragma once

#include "platform/win32.h"

namespace tessaline::platform {

// True when an armed fault takes this call of `function`; the call must then
// fail at once. The fault's error is already set as the last error.
bool InjectFault(const char* function);

}  // namespace tessaline::platform

namespace tessaline::platform::testing {

// The next `count` calls of `function` (its Win32 name, e.g. "SetupComm")
// fail with `error` as their last error. With `callingThreadOnly`, only calls
// made on the thread that armed the fault are counted and failed.
void FailNextCalls(const char* function, DWORD error, unsigned count = 1, bool callingThreadOnly = false);

// Disarms every fault.
void ClearFaults();

// How many armed failures of `function` are still to come.
unsigned PendingFaults(const char* function);

// Feeds raw bytes to an open communications device as if its terminal had
// delivered them, with the in-band marks a terminal uses for line conditions
// a pseudo-terminal cannot produce: FF 00 00 a break, FF 00 c a character
// received with a parity or framing error, FF FF a data byte FF.
BOOL InjectReceivedBytes(HANDLE file, const void* data, DWORD length);

// Disarms every fault when it goes out of scope, so one test's leftovers
// cannot fail the next.
class FaultScope
{
public:
    FaultScope() = default;
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
    ~FaultScope() { ClearFaults(); }
};

}  // namespace tessaline::platform::testing

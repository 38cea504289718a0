// How COMMTIMEOUTS decide the length of a read or a write, as pure
// functions: the device turns a plan into deadlines on its monotonic clock.
//
// Read rules: all zero waits for the full count; an interval starts at the
// first byte and ends the read when the gap between bytes exceeds it; the
// total (multiplier x count + constant) counts from the start of the read.
// MAXDWORD/0/0 returns at once with what is queued, even nothing.
// MAXDWORD/MAXDWORD/c (0 < c < MAXDWORD) returns at once with what is
// queued, else with the first byte, else after c. Any other read with an
// interval of MAXDWORD has no interval time-out and keeps its total. A
// time-out is not an error: the request ends with what it moved. Writes
// have a total only.
//
// Threading: plain functions on values.
#pragma once

#include "platform/win32.h"

#include <chrono>

namespace tessaline::platform {

struct ReadPlan
{
    bool returnAtOnce = false;      // end now with what is queued, even nothing
    bool anyByteCompletes = false;  // the first byte ends the read
    // Zero: no total time-out (also for totals too long to matter).
    std::chrono::milliseconds total{0};
    // Zero: no interval time-out.
    std::chrono::milliseconds interval{0};
};

// Whether SetCommTimeouts takes `timeouts`: not all three read values MAXDWORD.
bool AreValidTimeouts(const COMMTIMEOUTS& timeouts);

ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD length);

// The total time-out of a write of `length` bytes; zero for none.
std::chrono::milliseconds PlanWrite(const COMMTIMEOUTS& timeouts, DWORD length);

}  // namespace tessaline::platform

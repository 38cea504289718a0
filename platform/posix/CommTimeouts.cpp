#include "platform/posix/CommTimeouts.h"

#include <cstdint>

namespace tessaline::platform {
namespace {

// Beyond this a total is taken as no time-out, which also keeps deadlines
// far from the clock's limits.
constexpr std::uint64_t kLongestTimeoutMs = 1000ull * 60 * 60 * 24 * 30;

std::chrono::milliseconds Total(DWORD multiplier, DWORD length, DWORD constant)
{
    const std::uint64_t total = static_cast<std::uint64_t>(multiplier) * length + constant;
    return std::chrono::milliseconds(total <= kLongestTimeoutMs ? total : 0);
}

}  // namespace

bool AreValidTimeouts(const COMMTIMEOUTS& timeouts)
{
    return !(timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
             timeouts.ReadTotalTimeoutConstant == MAXDWORD);
}

ReadPlan PlanRead(const COMMTIMEOUTS& t, DWORD length)
{
    ReadPlan plan;
    plan.returnAtOnce =
        t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0;
    plan.anyByteCompletes = t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == MAXDWORD &&
                            t.ReadTotalTimeoutConstant > 0 && t.ReadTotalTimeoutConstant < MAXDWORD;
    if (plan.returnAtOnce)
        return plan;
    if (plan.anyByteCompletes) {
        plan.total = std::chrono::milliseconds(t.ReadTotalTimeoutConstant);
        return plan;
    }
    plan.total = Total(t.ReadTotalTimeoutMultiplier, length, t.ReadTotalTimeoutConstant);
    if (t.ReadIntervalTimeout != 0 && t.ReadIntervalTimeout != MAXDWORD)
        plan.interval = std::chrono::milliseconds(t.ReadIntervalTimeout);
    return plan;
}

std::chrono::milliseconds PlanWrite(const COMMTIMEOUTS& t, DWORD length)
{
    return Total(t.WriteTotalTimeoutMultiplier, length, t.WriteTotalTimeoutConstant);
}

}  // namespace tessaline::platform

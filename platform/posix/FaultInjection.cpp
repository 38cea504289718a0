#include "platform/FaultInjection.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessaline::platform {
namespace {

struct Fault
{
    std::string function;
    DWORD error;
    unsigned remaining;
    bool anyThread;
    std::thread::id thread;
};

std::mutex g_mutex;
std::vector<Fault> g_faults;
std::atomic<unsigned> g_armed{0};  // number of faults with calls remaining

}  // namespace

bool InjectFault(const char* function)
{
    if (g_armed.load(std::memory_order_relaxed) == 0)
        return false;
    std::lock_guard lock(g_mutex);
    for (auto& fault : g_faults) {
        if (fault.remaining == 0 || fault.function != function)
            continue;
        if (!fault.anyThread && fault.thread != std::this_thread::get_id())
            continue;
        if (--fault.remaining == 0)
            g_armed.fetch_sub(1, std::memory_order_relaxed);
        SetLastError(fault.error);
        return true;
    }
    return false;
}

namespace testing {

void FailNextCalls(const char* function, DWORD error, unsigned count, bool callingThreadOnly)
{
    if (count == 0)
        return;
    std::lock_guard lock(g_mutex);
    g_faults.push_back({function, error, count, !callingThreadOnly, std::this_thread::get_id()});
    g_armed.fetch_add(1, std::memory_order_relaxed);
}

void ClearFaults()
{
    std::lock_guard lock(g_mutex);
    g_faults.clear();
    g_armed.store(0, std::memory_order_relaxed);
}

unsigned PendingFaults(const char* function)
{
    std::lock_guard lock(g_mutex);
    unsigned total = 0;
    for (const auto& fault : g_faults)
        if (fault.function == function)
            total += fault.remaining;
    return total;
}

}  // namespace testing
}  // namespace tessaline::platform

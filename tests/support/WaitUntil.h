// Condition waits for tests: poll a condition until it holds or a generous
// deadline passes, never sleep-and-hope; and the time a step took.
//
// Threading: any thread may wait. The poll hook is set once, before the
// tests run (the GUI suites set it to pump their event loop, so that what
// the GUI thread is waiting for can happen while it waits).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace tessaline::testing {

// Milliseconds since `start`.
inline long long ElapsedMs(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// Called before each poll of a condition; empty unless a suite sets it.
inline std::function<void()>& WaitPollHook()
{
    static std::function<void()> hook;
    return hook;
}

// Polls `condition` every `interval` until it holds or `limit` passed;
// true if it came.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20),
                      std::chrono::milliseconds interval = std::chrono::milliseconds(1))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (const auto& hook = WaitPollHook())
            hook();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
}

}  // namespace tessaline::testing

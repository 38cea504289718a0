// Handles, events, threads, waits and last error, as both backends and the
// real API have them.
#include "platform/win32.h"
#include "tests/support/NamedCases.h"
#include "tests/support/Sentinel.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using namespace tessaline::testing;

struct ResetCase : NamedCase
{
    BOOL manualReset;
    DWORD secondWait;  // result of a second zero-time wait after the first succeeded
};

class EventReset : public ::testing::TestWithParam<ResetCase>
{};

TEST_P(EventReset, SignalledEventReleasesWaitsAsItsResetModeSays)
{
    HANDLE event = CreateEventA(nullptr, GetParam().manualReset, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    HANDLE on = CreateEventA(nullptr, GetParam().manualReset, TRUE, "ignored name");
    EXPECT_EQ(WaitForSingleObject(on, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(on));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), GetParam().secondWait);
    ASSERT_TRUE(ResetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

INSTANTIATE_TEST_SUITE_P(Modes, EventReset,
                         ::testing::Values(ResetCase{"ManualReset", TRUE, WAIT_OBJECT_0},
                                           ResetCase{"AutoReset", FALSE, WAIT_TIMEOUT}),
                         CaseName());

TEST(Event, SetFromAnotherThreadWakesABlockedWait)
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // Timed from before the setter starts: a busy machine may run it a
    // while before this thread gets to wait.
    const auto start = Clock::now();
    std::thread setter([event] {
        std::this_thread::sleep_for(50ms);
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    EXPECT_GE(ElapsedMs(start), 40);
    setter.join();
    CloseHandle(event);
}

TEST(Event, AutoResetReleasesOneWaiterPerSet)
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> released{0};
    const auto waiter = [&] {
        if (WaitForSingleObject(event, 5000) == WAIT_OBJECT_0)
            ++released;
    };
    std::thread a(waiter);
    std::thread b(waiter);
    std::this_thread::sleep_for(50ms);
    SetEvent(event);
    EXPECT_TRUE(WaitUntil([&] { return released.load() > 0; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(released.load(), 1);
    SetEvent(event);
    a.join();
    b.join();
    EXPECT_EQ(released.load(), 2);
    CloseHandle(event);
}

TEST(Wait, FiniteTimeOutIsHonouredWithinAGenerousWindow)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (DWORD timeout : {20u, 150u}) {
        const auto start = Clock::now();
        EXPECT_EQ(WaitForSingleObject(event, timeout), WAIT_TIMEOUT);
        const auto elapsed = ElapsedMs(start);
        EXPECT_GE(elapsed, static_cast<long long>(timeout) - 1);
        EXPECT_LT(elapsed, static_cast<long long>(timeout) * 2 + 1000);
    }
    CloseHandle(event);
}

DWORD WINAPI ReturnParameter(LPVOID parameter)
{
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

DWORD WINAPI WaitForEventThenReturn42(LPVOID parameter)
{
    WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
    return 42;
}

TEST(Thread, IsStillActiveUntilItReturnsThenExitsWithTheRoutinesResult)
{
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitForEventThenReturn42, gate, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(thread, 30), WAIT_TIMEOUT);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    SetEvent(gate);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    // A thread that has ended stays signalled.
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(gate);
}

std::atomic<bool> g_ranAfterClose{false};

DWORD WINAPI WaitThenMark(LPVOID parameter)
{
    WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE);
    g_ranAfterClose = true;
    return 0;
}

TEST(Thread, ClosingItsHandleDoesNotStopIt)
{
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaitThenMark, gate, 0, nullptr);
    ASSERT_TRUE(CloseHandle(thread));
    SetEvent(gate);
    EXPECT_TRUE(WaitUntil([] { return g_ranAfterClose.load(); }));
    CloseHandle(gate);
}

// Every call on a handle that is not (or no longer) a live object of the
// right kind fails with ERROR_INVALID_HANDLE and never crashes.
TEST(Handles, InvalidClosedAndMadeUpHandlesAreRefused)
{
    // The thread first: Windows hands a closed handle's value to the next
    // object, so nothing is created between closing the event and the calls.
    HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, nullptr);
    WaitForSingleObject(thread, 5000);
    HANDLE closed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    HANDLE bad[] = {nullptr, closed, INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(std::uintptr_t{0x12345678}),
                    reinterpret_cast<HANDLE>(std::uintptr_t{0x1001})};
    for (HANDLE handle : bad) {
        SCOPED_TRACE(handle);
        SetLastError(kSentinel);
        EXPECT_FALSE(SetEvent(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(kSentinel);
        EXPECT_FALSE(ResetEvent(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(kSentinel);
        EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(kSentinel);
        DWORD code = 7;
        EXPECT_FALSE(GetExitCodeThread(handle, &code));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(code, 7u);
        SetLastError(kSentinel);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
    // Wrong kinds: a thread is not an event.
    SetLastError(kSentinel);
    EXPECT_FALSE(SetEvent(thread));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
}

TEST(Handles, ClosingWhileAnotherThreadWaitsIsSafe)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD> result{12345};
    std::thread waiter([&] { result = WaitForSingleObject(event, 300); });
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(CloseHandle(event));
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_TIMEOUT);
}

TEST(LastError, SuccessfulCallsLeaveItAlone)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetLastError(kSentinel);
    EXPECT_TRUE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(event));
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), kSentinel);
}

DWORD WINAPI ReturnLastErrorsSeen(LPVOID)
{
    const DWORD atStart = GetLastError();
    SetLastError(222);
    const DWORD afterFailure = SetEvent(nullptr) ? 0 : GetLastError();
    return atStart == 0 && afterFailure == ERROR_INVALID_HANDLE ? 1 : 0;
}

// Through the API's own threads: a C++ thread's join may itself reset the
// last error (TlsGetValue does on Windows).
TEST(LastError, IsKeptPerThread)
{
    SetLastError(111);
    HANDLE other = CreateThread(nullptr, 0, ReturnLastErrorsSeen, nullptr, 0, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(WaitForSingleObject(other, 5000), WAIT_OBJECT_0);
    DWORD sawItsOwn = 0;
    EXPECT_TRUE(GetExitCodeThread(other, &sawItsOwn));
    EXPECT_EQ(sawItsOwn, 1u);
    EXPECT_TRUE(CloseHandle(other));
    EXPECT_EQ(GetLastError(), 111u);
}

}  // namespace

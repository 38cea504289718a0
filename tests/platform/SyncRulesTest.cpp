// The posix backend's own rules beside the API's: the thread calls it
// refuses, and its fault-injection hook (on Windows no fault is ever armed).
#include "platform/FaultInjection.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

namespace {

using namespace tessaline::platform::testing;

constexpr DWORD kSentinel = 0xDEADBEEF;

DWORD WINAPI ReturnParameter(LPVOID parameter)
{
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

TEST(Thread, RejectsMissingRoutineAndSuspendedCreation)
{
    SetLastError(kSentinel);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, 4 /* CREATE_SUSPENDED */, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FaultInjection, FailsTheArmedNumberOfCallsThenStopsAndClearingDisarmsEverything)
{
    FaultScope faults;
    FailNextCalls("CreateEventA", ERROR_NOT_ENOUGH_MEMORY, 2);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(event, nullptr);
    CloseHandle(event);
    FailNextCalls("CreateEventA", 5, 10);
    ClearFaults();
    event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(event, nullptr);
    CloseHandle(event);
}

TEST(FaultInjection, CoversThreadsAndWaits)
{
    FaultScope faults;
    FailNextCalls("CreateThread", 8);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), 8u);

    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    FailNextCalls("WaitForSingleObject", 31);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), 31u);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST(FaultInjection, AFaultArmedForOneThreadLeavesOthersAlone)
{
    FaultScope faults;
    FailNextCalls("CreateEventA", ERROR_ACCESS_DENIED, 1, /*callingThreadOnly=*/true);
    std::thread other([] {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        EXPECT_NE(event, nullptr);
        CloseHandle(event);
    });
    other.join();
    EXPECT_EQ(PendingFaults("CreateEventA"), 1u);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace

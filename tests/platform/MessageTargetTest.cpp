// Registered window messages and posting to message targets.
#include "platform/MessageTarget.h"
#include "platform/win32.h"
#include "tests/support/MessageQueueTarget.h"
#include "tests/support/Sentinel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

using namespace tessaline::platform;
using namespace tessaline::testing;

TEST(RegisterWindowMessage, GivesOneNumberPerNameRegardlessOfCase)
{
    const UINT first = RegisterWindowMessageA("Tessaline_TestMessage_A");
    EXPECT_GE(first, 0xC000u);
    EXPECT_LE(first, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("Tessaline_TestMessage_A"), first);
    EXPECT_EQ(RegisterWindowMessageA("TESSALINE_testmessage_a"), first);
    const UINT second = RegisterWindowMessageA("Tessaline_TestMessage_B");
    EXPECT_NE(second, first);
    EXPECT_GE(second, 0xC000u);
}

// Apart from the test above: Wine leaves the last error alone here.
TEST(RegisterWindowMessage, RejectsAMissingName)
{
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        SetLastError(kSentinel);
        EXPECT_EQ(RegisterWindowMessageA(name), 0u);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST(RegisterWindowMessage, ConcurrentRegistrationsAgree)
{
    std::vector<std::future<UINT>> results;
    for (int i = 0; i < 8; ++i)
        results.push_back(std::async(std::launch::async, [] { return RegisterWindowMessageA("Tessaline_Race"); }));
    std::set<UINT> numbers;
    for (auto& result : results)
        numbers.insert(result.get());
    EXPECT_EQ(numbers.size(), 1u);
}

TEST(PostMessage, DeliversInPostingOrder)
{
    MessageQueueTarget target;
    for (UINT i = 0; i < 100; ++i)
        ASSERT_TRUE(PostMessageA(target.Handle(), 0x8000 + i, i * 3, -static_cast<LPARAM>(i)));
    for (UINT i = 0; i < 100; ++i) {
        auto message = target.Take(0);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->message, 0x8000 + i);
        EXPECT_EQ(message->wParam, WPARAM{i * 3});
        EXPECT_EQ(message->lParam, -static_cast<LPARAM>(i));
    }
    EXPECT_FALSE(target.Take(10).has_value());
}

TEST(PostMessage, FailsForNullUnknownAndUnregisteredTargets)
{
    HWND gone = nullptr;
    {
        MessageQueueTarget target;
        gone = target.Handle();
    }
    const HWND cases[] = {nullptr, reinterpret_cast<HWND>(std::uintptr_t{0x12345678}), gone};
    for (HWND window : cases) {
        SetLastError(kSentinel);
        EXPECT_FALSE(PostMessageA(window, 0x8001, 1, 2));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    }
    UnregisterMessageTarget(gone);  // a second removal is ignored
    UnregisterMessageTarget(nullptr);
}

TEST(PostMessage, HandlesAreNeverReused)
{
    std::set<HWND> seen;
    for (int i = 0; i < 50; ++i) {
        HWND window = RegisterMessageTarget([](UINT, WPARAM, LPARAM) {});
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(seen.insert(window).second);
        UnregisterMessageTarget(window);
    }
}

TEST(UnregisterMessageTarget, WaitsForARunningSinkCall)
{
    std::promise<void> entered;
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> sinkDone{false};
    HWND window = RegisterMessageTarget([&](UINT, WPARAM, LPARAM) {
        entered.set_value();
        released.wait();
        sinkDone = true;
    });
    std::thread poster([&] { PostMessageA(window, 1, 0, 0); });
    entered.get_future().wait();
    auto unregistered = std::async(std::launch::async, [&] { UnregisterMessageTarget(window); });
    EXPECT_EQ(unregistered.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    SetLastError(kSentinel);
    EXPECT_FALSE(PostMessageA(window, 2, 0, 0));  // already being removed
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    release.set_value();
    unregistered.get();
    EXPECT_TRUE(sinkDone);
    poster.join();
}

TEST(UnregisterMessageTarget, IsSafeWhileAnotherThreadPosts)
{
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> calls{0};
        std::atomic<bool> inside{false};
        std::atomic<bool> stop{false};
        HWND window = RegisterMessageTarget([&](UINT, WPARAM, LPARAM) {
            inside = true;
            ++calls;
            inside = false;
        });
        std::thread poster([&] {
            while (!stop)
                PostMessageA(window, 1, 0, 0);
        });
        while (calls == 0)
            std::this_thread::yield();
        UnregisterMessageTarget(window);
        const int after = calls;
        EXPECT_FALSE(inside);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(calls, after);  // no call started after the removal
        stop = true;
        poster.join();
    }
}

TEST(UnregisterMessageTarget, ASinkMayRemoveItsOwnTarget)
{
    HWND window = nullptr;
    std::atomic<int> calls{0};
    window = RegisterMessageTarget([&](UINT, WPARAM, LPARAM) {
        ++calls;
        UnregisterMessageTarget(window);
    });
    EXPECT_TRUE(PostMessageA(window, 1, 0, 0));
    EXPECT_FALSE(PostMessageA(window, 1, 0, 0));
    EXPECT_EQ(calls, 1);
}

TEST(UnregisterMessageTarget, DoesNotWaitForASinkThatThrew)
{
    HWND window = RegisterMessageTarget([](UINT, WPARAM, LPARAM) { throw std::runtime_error("sink"); });
    EXPECT_THROW(PostMessageA(window, 1, 0, 0), std::runtime_error);
    auto unregistered = std::async(std::launch::async, [&] { UnregisterMessageTarget(window); });
    EXPECT_EQ(unregistered.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

}  // namespace

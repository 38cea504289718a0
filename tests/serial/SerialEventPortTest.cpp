// CSerialEventPort: the watcher thread's start, reports and failures.
#include "tests/serial/SerialFixtures.h"

#include <atomic>

namespace {

using namespace serialtest;

TEST_F(SerialEventPortTest, OpenWatchingReportsReceivedBytesAndOpenAgainKeepsItsEventAndThread)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    HANDLE thread = port.Thread();
    HANDLE watchEvent = port.WatchEvent();
    EXPECT_NE(thread, nullptr);
    EXPECT_NE(watchEvent, nullptr);
    EXPECT_NE(port.IoEvent(), nullptr);
    const std::size_t threads = ThreadCount();
    EXPECT_EQ(port.Open(Path(), 0, 0, true), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(port.Thread(), thread);
    EXPECT_EQ(port.WatchEvent(), watchEvent);
    EXPECT_EQ(ThreadCount(), threads);
    ASSERT_TRUE(m_pty.Write("a"));
    ASSERT_TRUE(port.WaitForReports(1));
    EXPECT_EQ(port.Reports()[0].events, EV_RXCHAR);
    EXPECT_EQ(port.Reports()[0].errors, 0u);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Thread(), nullptr);
    EXPECT_EQ(port.WatchEvent(), nullptr);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialEventPortTest, StartWatcherTwiceMakesOneThread)
{
    RecordingEventPort& port = Opened<RecordingEventPort>(false);
    EXPECT_EQ(port.Thread(), nullptr);
    const std::size_t threads = ThreadCount();
    EXPECT_EQ(port.StartWatcher(), 0);
    HANDLE thread = port.Thread();
    ASSERT_NE(thread, nullptr);
    port.SetLastErrorValue(77);
    EXPECT_EQ(port.StartWatcher(), 0);
    EXPECT_EQ(port.LastError(), 0);
    EXPECT_EQ(port.Thread(), thread);
    EXPECT_LE(ThreadCount(), threads + 1);
    ASSERT_TRUE(m_pty.Write("a"));
    ASSERT_TRUE(port.WaitForReports(1));
    EXPECT_EQ(port.Reports().size(), 1u);  // one watcher, one report
}

TEST_F(SerialEventPortTest, StopWatcherAndCloseWithoutAWatcherSucceed)
{
    RecordingEventPort port;
    port.SetLastErrorValue(77);
    EXPECT_EQ(port.StopWatcher(INFINITE), 0);
    EXPECT_EQ(port.LastError(), 0);
    EXPECT_EQ(port.Close(), 0);

    ASSERT_EQ(port.Open(Path(), 0, 0, false), 0);
    HANDLE watchEvent = port.WatchEvent();
    port.SetLastErrorValue(77);
    EXPECT_EQ(port.StopWatcher(INFINITE), 0);
    EXPECT_EQ(port.LastError(), 0);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.WatchEvent(), watchEvent);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.WatchEvent(), nullptr);
    EXPECT_EQ(WaitForSingleObject(watchEvent, 0), WAIT_FAILED);
}

TEST_F(SerialEventPortTest, TakeFiredEventsKeepsOnlyMaskedBitsAndClears)
{
    using Row = std::tuple<DWORD, DWORD, DWORD>;  // fired, mask, taken
    RecordingEventPort port;
    for (const auto& [fired, mask, taken] :
         {Row{EV_RXCHAR, 0xC1, EV_RXCHAR}, Row{EV_RXCHAR | EV_BREAK, EV_BREAK, EV_BREAK}, Row{EV_RXCHAR, EV_BREAK, 0},
          Row{0, 0xFFFF, 0}, Row{0x1FFF, 0xC3, 0xC3}}) {
        port.SetFired(fired);
        port.SetStoredMask(mask);
        EXPECT_EQ(port.Take(), taken);
        EXPECT_EQ(port.FiredEvents(), 0u);
    }
}

TEST_F(SerialEventPortTest, ReapplyingTheMaskWakesTheWatcherWithoutAReportAndAFailingClearCommErrorStillReports)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    // Each wake ends with one ClearCommError call; an armed fault shows it came.
    FailNextCalls("ClearCommError", ERROR_GEN_FAILURE);
    EXPECT_TRUE(WaitUntil([&] {
        port.SetEventMask(port.QueryEventMask());
        return PendingFaults("ClearCommError") == 0;
    }));
    EXPECT_TRUE(port.Reports().empty());
    // The watcher armed again and goes on.
    ASSERT_TRUE(m_pty.Write("a"));
    ASSERT_TRUE(port.WaitForReports(1));
    EXPECT_EQ(port.Reports().size(), 1u);
    EXPECT_EQ(port.Reports()[0].events, EV_RXCHAR);
    // A report whose ClearCommError fails comes with no errors.
    FailNextCalls("ClearCommError", ERROR_GEN_FAILURE);
    ASSERT_TRUE(m_pty.Write("b"));
    ASSERT_TRUE(port.WaitForReports(2));
    EXPECT_EQ(PendingFaults("ClearCommError"), 0u);
    EXPECT_EQ(port.Reports()[1].events, EV_RXCHAR);
    EXPECT_EQ(port.Reports()[1].errors, 0u);
}

TEST_F(SerialEventPortTest, EventsOutsideANarrowedMaskAreNotReported)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    ASSERT_EQ(port.SetEventMask(EV_BREAK), 0);
    ASSERT_TRUE(m_pty.Write("abc"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 3; }));
    ASSERT_EQ(port.SetEventMask(EV_RXCHAR), 0);
    ASSERT_TRUE(m_pty.Write("d"));
    ASSERT_TRUE(port.WaitForReports(1));
    EXPECT_EQ(port.Reports()[0].events, EV_RXCHAR);
    EXPECT_EQ(port.Reports().size(), 1u);
}

TEST_F(SerialEventPortTest, AWatcherWhoseArmingFailsEndsWithThatError)
{
    RecordingEventPort& port = Opened<RecordingEventPort>(false);
    FailNextCalls("WaitCommEvent", ERROR_INVALID_PARAMETER);
    ASSERT_EQ(port.StartWatcher(), 0);
    HANDLE thread = port.Thread();
    ASSERT_EQ(ExitCodeOf(thread), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(port.StartWatcher(), 0);  // the ended thread is still held
    EXPECT_EQ(port.Thread(), thread);
    ASSERT_TRUE(m_pty.Write("a"));
    EXPECT_FALSE(port.WaitForReports(1, 200));
    EXPECT_TRUE(FinishesInTime([&] { port.Close(); }));
    EXPECT_EQ(port.Thread(), nullptr);
}

TEST_F(SerialEventPortTest, AWatcherStartedOnAClosedPortEndsWithInvalidHandle)
{
    RecordingEventPort port;
    ASSERT_EQ(port.StartWatcher(), 0);
    ASSERT_EQ(ExitCodeOf(port.Thread()), ERROR_INVALID_HANDLE);
    // Opening afterwards starts a watcher of its own instead of keeping the
    // ended one.
    EXPECT_EQ(port.Open(Path(), 0, 0, true), 0);
    ASSERT_NE(port.Thread(), nullptr);
    EXPECT_EQ(WaitForSingleObject(port.Thread(), 0), WAIT_TIMEOUT);
    ASSERT_TRUE(m_pty.Write("a"));
    EXPECT_TRUE(port.WaitForReports(1));
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Thread(), nullptr);
}

TEST_F(SerialEventPortTest, AWatcherWhoseWaitFailsEndsWithThatError)
{
    RecordingEventPort& port = Opened<RecordingEventPort>(false);
    FailNextCalls("WaitForSingleObject", ERROR_INVALID_HANDLE);
    ASSERT_EQ(port.StartWatcher(), 0);
    ASSERT_TRUE(WaitUntil([] { return PendingFaults("WaitForSingleObject") == 0; }));
    ASSERT_EQ(ExitCodeOf(port.Thread()), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(FinishesInTime([&] { port.Close(); }));
    // The abandoned wait is gone: the device serves a new watcher.
    ASSERT_EQ(port.Open(Path(), 0, 0, true), 0);
    ASSERT_TRUE(m_pty.Write("a"));
    EXPECT_TRUE(port.WaitForReports(1));
}

TEST_F(SerialEventPortTest, DestructionClosesTheWatchEventEvenWithoutAWatcher)
{
    for (bool watching : {false, true}) {
        HANDLE watchEvent = nullptr;
        HANDLE ioEvent = nullptr;
        {
            RecordingEventPort port;
            ASSERT_EQ(port.Open(Path(), 0, 0, watching), 0);
            watchEvent = port.WatchEvent();
            ioEvent = port.IoEvent();
        }
        EXPECT_EQ(WaitForSingleObject(watchEvent, 0), WAIT_FAILED);
        EXPECT_EQ(WaitForSingleObject(ioEvent, 0), WAIT_FAILED);
        EXPECT_TRUE(DeviceFree());
    }
}

TEST_F(SerialEventPortTest, TheOwnerReadsAndWritesWhileTheWatcherWaits)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(port.WriteText("ping"), 0);
        EXPECT_EQ(m_pty.Read(4, kGenerousMs).size(), 4u);
        ASSERT_TRUE(m_pty.Write("pong"));
        ASSERT_TRUE(port.WaitForReports(1));
        std::string received;
        ASSERT_TRUE(WaitUntil([&] {
            char buffer[16];
            DWORD count = 0;
            port.Read(buffer, sizeof buffer, &count);
            received.append(buffer, count);
            return received.size() >= 4;
        }));
        EXPECT_EQ(received, "pong");
    }
}

// The watcher's steps and the stop go through the virtual table.
class CallLogPort : public RecordingEventPort
{
public:
    ~CallLogPort() override
    {
        if (m_thread != nullptr)
            CSerialEventPort::Close();
    }
    LONG StartWatcher() override
    {
        ++starts;
        return RecordingEventPort::StartWatcher();
    }
    LONG StopWatcher(DWORD timeoutMs) override
    {
        ++stops;
        stopTimeout = timeoutMs;
        return RecordingEventPort::StopWatcher(timeoutMs);
    }
    LONG SetEventMask(DWORD mask) override
    {
        ++maskSets;
        return RecordingEventPort::SetEventMask(mask);
    }
    DWORD QueryEventMask() override
    {
        ++maskQueries;
        return RecordingEventPort::QueryEventMask();
    }
    LONG WaitForEvent(LPOVERLAPPED overlapped, DWORD timeoutMs) override
    {
        ++armings;
        return RecordingEventPort::WaitForEvent(overlapped, timeoutMs);
    }

    std::atomic<int> starts{0}, stops{0}, maskSets{0}, maskQueries{0}, armings{0};
    std::atomic<DWORD> stopTimeout{0};
};

TEST_F(SerialEventPortTest, WatcherAndStopUseTheMostDerivedOperations)
{
    CallLogPort port;
    ASSERT_EQ(port.Open(Path(), 0, 0, true), 0);
    EXPECT_EQ(port.starts, 1);
    ASSERT_TRUE(WaitUntil([&] { return port.armings >= 1; }));
    ASSERT_TRUE(m_pty.Write("a"));
    ASSERT_TRUE(port.WaitForReports(1));
    ASSERT_TRUE(WaitUntil([&] { return port.armings >= 2; }));  // armed again after the report

    const int sets = port.maskSets;
    const int queries = port.maskQueries;
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.stops, 1);
    EXPECT_EQ(port.stopTimeout, INFINITE);
    EXPECT_EQ(port.maskQueries, queries + 1);  // the mask re-applied as the wake-up
    EXPECT_EQ(port.maskSets, sets + 1);
}

}  // namespace

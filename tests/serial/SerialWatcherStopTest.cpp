// CSerialEventPort: stopping the watcher at every point of its loop, and
// stops that cannot finish at once.
#include "tests/serial/SerialFixtures.h"

namespace {

using namespace serialtest;

TEST_F(SerialEventPortTest, AStopDuringAHandlerCallEndsRightAfterIt)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    port.Hold(true);
    ASSERT_TRUE(m_pty.Write("a"));
    ASSERT_TRUE(port.WaitInHandler());
    LONG closed = 77;
    CallInThread closing("Close", [&] { closed = port.Close(); });
    // The join waits for the handler; nothing new is reported meanwhile.
    EXPECT_FALSE(closing.Done(200));
    ASSERT_TRUE(m_pty.Write("b"));
    port.Hold(false);
    ASSERT_TRUE(closing.Done());
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(port.Reports().size(), 1u);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialEventPortTest, AStopWhileWaitingEndsWithExitCodeZeroAndNoReport)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    port.RequestStop();
    port.SetEventMask(port.QueryEventMask());
    ASSERT_EQ(ExitCodeOf(port.Thread()), 0u);
    EXPECT_TRUE(port.Reports().empty());
    EXPECT_EQ(port.StopWatcher(INFINITE), 0);
    EXPECT_FALSE(port.Stopping());
    EXPECT_EQ(port.Thread(), nullptr);
}

TEST_F(SerialEventPortTest, AStopBeforeTheFirstArmingOrBetweenAHandlerCallAndTheNextDoesNotHang)
{
    RecordingEventPort& port = Opened<RecordingEventPort>(false);
    EXPECT_TRUE(FinishesInTime([&] {
        for (int i = 0; i < 300; ++i) {
            port.StartWatcher();
            port.StopWatcher(INFINITE);
        }
    }));
    EXPECT_EQ(port.Thread(), nullptr);
    EXPECT_TRUE(FinishesInTime([&] {
        for (int i = 0; i < 200; ++i) {
            port.StartWatcher();
            m_pty.Write("x");
            port.WaitForReports(static_cast<std::size_t>(i) + 1, 50);
            port.StopWatcher(INFINITE);
            char buffer[64];
            port.Read(buffer, sizeof buffer);
        }
    }));
}

// Requests the stop and re-applies the mask just before its first arming, as
// an owner's Close can: the wake-up then finds no wait pending, so only the
// watcher's own check after arming can end it.
class StopBeforeArmingPort : public RecordingEventPort
{
public:
    LONG WaitForEvent(LPOVERLAPPED overlapped, DWORD timeoutMs) override
    {
        if (!m_stopRequested) {
            m_stopRequested = true;
            m_stopping = true;
            SetEventMask(QueryEventMask());
        }
        return RecordingEventPort::WaitForEvent(overlapped, timeoutMs);
    }

private:
    bool m_stopRequested = false;  // watcher thread only
};

TEST_F(SerialEventPortTest, AStopRequestedJustBeforeArmingEndsTheWatcher)
{
    StopBeforeArmingPort port;
    ASSERT_EQ(port.Open(Path(), 0, 0, true), 0);
    ASSERT_EQ(ExitCodeOf(port.Thread()), 0u) << "the watcher missed a stop requested before it armed its wait";
    EXPECT_TRUE(port.Reports().empty());
    EXPECT_EQ(port.Close(), 0);
}

TEST_F(SerialEventPortTest, AnExpiredStopKeepsTheThreadForALaterStop)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    port.Hold(true);
    ASSERT_TRUE(m_pty.Write("a"));
    ASSERT_TRUE(port.WaitInHandler());
    HANDLE thread = port.Thread();
    EXPECT_EQ(port.StopWatcher(50), static_cast<LONG>(ERROR_TIMEOUT));
    EXPECT_EQ(port.LastError(), static_cast<LONG>(ERROR_TIMEOUT));
    EXPECT_EQ(port.Thread(), thread);
    EXPECT_EQ(port.StartWatcher(), 0);  // still held: nothing new
    EXPECT_EQ(port.Thread(), thread);
    port.Hold(false);
    EXPECT_EQ(port.StopWatcher(INFINITE), 0);
    EXPECT_EQ(port.Thread(), nullptr);
    EXPECT_FALSE(port.Stopping());
    EXPECT_EQ(port.Reports().size(), 1u);
}

TEST_F(SerialEventPortTest, AFailedJoinKeepsThePortOpenForALaterClose)
{
    RecordingEventPort& port = Opened<RecordingEventPort>();
    HANDLE thread = port.Thread();
    FailNextCalls("WaitForSingleObject", ERROR_INVALID_HANDLE, 1, true);
    EXPECT_EQ(port.Close(), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(port.Thread(), thread);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_NE(port.WatchEvent(), nullptr);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Thread(), nullptr);
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace

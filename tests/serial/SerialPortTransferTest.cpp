// CSerialPort transfers on pseudo-terminals: reads, writes and event waits,
// with and without the caller's record, and their time-outs.
#include "tests/serial/SerialFixtures.h"

#include <string>

namespace {

using namespace serialtest;

// A request record with a manual-reset event of its own.
struct Record : OVERLAPPED
{
    Record() : OVERLAPPED{0, 0, 0, 0, CreateEventA(nullptr, TRUE, FALSE, nullptr)} {}
    ~Record() { CloseHandle(hEvent); }
};

TEST_F(SerialPortTest, WriteAndReadMoveBytesWithOrWithoutACountAndTextGoesWithoutItsTerminator)
{
    TestPort& port = Opened();
    EXPECT_EQ(port.Write("hello", 5), 0);
    EXPECT_EQ(m_pty.Read(5, kGenerousMs), "hello");

    char buffer[100];
    DWORD count = 77;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);  // nothing waiting: returns at once
    EXPECT_EQ(count, 0u);

    ASSERT_TRUE(m_pty.Write("12345"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 5; }));
    EXPECT_EQ(port.Read(buffer, 3, &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::string(buffer, 3), "123");
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(buffer, 2), "45");

    ASSERT_TRUE(m_pty.Write("x"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 1; }));
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);  // count discarded
    EXPECT_EQ(port.InQueue(), 0u);

    EXPECT_EQ(port.WriteText("abc", &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(port.WriteText("", &count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(m_pty.Read(10, 300), "abc");
}

TEST_F(SerialPortTest, AnEmptyWriteBehindAPendingWriteSucceedsAndKeepsThePortAlive)
{
    TestPort& port = Opened();
    const std::vector<char> big(1 << 20, 'x');  // far more than the pty holds
    Record first;
    Record second;
    ASSERT_EQ(port.Write(big.data(), static_cast<DWORD>(big.size()), nullptr, &first), 0);
    ASSERT_EQ(WaitForSingleObject(first.hEvent, 0), WAIT_TIMEOUT) << "the big write must still be pending";
    DWORD count = 77;
    EXPECT_EQ(port.WriteText("", &count, &second), 0);
    EXPECT_EQ(count, 0u);

    EXPECT_EQ(m_pty.Read(big.size(), kGenerousMs).size(), big.size());
    DWORD moved = 0;
    EXPECT_TRUE(GetOverlappedResult(port.Handle(), &first, &moved, TRUE)) << GetLastError();
    EXPECT_EQ(moved, big.size());
    EXPECT_TRUE(GetOverlappedResult(port.Handle(), &second, &moved, TRUE)) << GetLastError();
    EXPECT_EQ(moved, 0u);

    EXPECT_EQ(port.WriteText("ok", &count), 0);
    EXPECT_EQ(m_pty.Read(2, kGenerousMs).size(), 2u);
    ASSERT_TRUE(m_pty.Write("r"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 1; }));
    char buffer[4];
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 1u);
}

TEST_F(SerialPortTest, ABlockingPortRefusesRecordsAndFiniteTimeouts)
{
    TestPort port;
    ASSERT_EQ(port.Open(Path(), 0, 0, false), 0);
    const LONG refused = static_cast<LONG>(ERROR_INVALID_FUNCTION);
    Record overlapped;
    char buffer[16];
    DWORD count = 77;
    EXPECT_EQ(port.Write("abc", 3, &count, nullptr, 1000), refused);
    EXPECT_EQ(count, 0u);
    count = 77;
    EXPECT_EQ(port.Write("abc", 3, &count, &overlapped), refused);
    EXPECT_EQ(count, 0u);
    count = 77;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, &overlapped), refused);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.WaitForEvent(&overlapped), refused);
    EXPECT_EQ(port.WaitForEvent(nullptr, 50), refused);
    EXPECT_EQ(port.LastError(), refused);
    EXPECT_EQ(m_pty.Read(3, 200).size(), 0u);  // nothing was sent

    EXPECT_EQ(port.Write("abc", 3, &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(m_pty.Read(3, kGenerousMs).size(), 3u);
    ASSERT_TRUE(m_pty.Write("q"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 1; }));
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 1u);
}

TEST_F(SerialPortTest, ACallersRecordStartsTheRequestAndLeavesCompletionToTheCaller)
{
    TestPort& port = Opened();
    Record overlapped;

    // A write that finishes at once signals the caller's event.
    DWORD count = 0;
    EXPECT_EQ(port.Write("ab", 2, &count, &overlapped), 0);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, kGenerousMs), WAIT_OBJECT_0);
    EXPECT_EQ(m_pty.Read(2, kGenerousMs).size(), 2u);

    // A blocking read with nothing there stays pending with the count 0.
    ASSERT_EQ(port.SetReadMode(CSerialPort::ReadBlocking), 0);
    char buffer[4];
    count = 77;
    static_cast<OVERLAPPED&>(overlapped) = OVERLAPPED{0, 0, 0, 0, overlapped.hEvent};
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, &overlapped), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 100), WAIT_TIMEOUT);
    ASSERT_TRUE(m_pty.Write("wxyz"));
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, kGenerousMs), WAIT_OBJECT_0);
    DWORD moved = 0;
    EXPECT_TRUE(GetOverlappedResult(port.Handle(), &overlapped, &moved, FALSE));
    EXPECT_EQ(moved, 4u);
    EXPECT_EQ(std::string(buffer, 4), "wxyz");
}

TEST_F(SerialPortTest, ARefusedRequestReportsThePlatformCodeWithTheCountZero)
{
    TestPort& port = Opened();
    char buffer[4];
    DWORD count = 77;
    FailNextCalls("WriteFile", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.Write("ab", 2, &count), static_cast<LONG>(ERROR_GEN_FAILURE));
    EXPECT_EQ(count, 0u);
    count = 77;
    FailNextCalls("ReadFile", ERROR_READ_FAULT);
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), static_cast<LONG>(ERROR_READ_FAULT));
    EXPECT_EQ(count, 0u);
    FailNextCalls("WaitCommEvent", ERROR_INVALID_PARAMETER);
    EXPECT_EQ(port.WaitForEvent(nullptr, 50), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.WriteText("ok"), 0);  // still usable
}

TEST_F(SerialPortTest, AnInternalWaitThatRunsOutCancelsAndLeavesThePortUsable)
{
    TestPort& port = Opened();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.WaitForEvent(nullptr, 50), static_cast<LONG>(ERROR_TIMEOUT));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    EXPECT_EQ(port.LastError(), static_cast<LONG>(ERROR_TIMEOUT));
    EXPECT_TRUE(port.IsOpen());

    // The cancelled wait is gone: a new one can start and completes on data.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m_pty.Write("!");
    });
    EXPECT_EQ(port.WaitForEvent(nullptr, kGenerousMs), 0);
    writer.join();
    EXPECT_EQ(port.FiredEvents() & EV_RXCHAR, EV_RXCHAR);

    // A blocking read that runs out reports no bytes and loses none.
    char buffer[8];
    ASSERT_EQ(port.Read(buffer, sizeof buffer), 0);  // drain the '!'
    ASSERT_EQ(port.SetReadMode(CSerialPort::ReadBlocking), 0);
    DWORD count = 77;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, nullptr, 50), static_cast<LONG>(ERROR_TIMEOUT));
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(m_pty.Write("abcdefgh"));
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, nullptr, kGenerousMs), 0);
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(std::string(buffer, 8), "abcdefgh");

    // A write that runs out reports 1460 with what it had sent, all of which
    // reaches the far end, and nothing more.
    const std::string big(1 << 20, 'w');
    count = 77;
    EXPECT_EQ(port.Write(big.data(), static_cast<DWORD>(big.size()), &count, nullptr, 50),
              static_cast<LONG>(ERROR_TIMEOUT));
    EXPECT_GT(count, 0u);
    EXPECT_LT(count, big.size());
    EXPECT_EQ(m_pty.Read(count, kGenerousMs).size(), count);
    EXPECT_EQ(m_pty.Read(1, 200).size(), 0u);
}

TEST_F(SerialPortTest, AReadThatRunsOutWithPartOfItsBytesLosesNone)
{
    TestPort& port = Opened();
    ASSERT_EQ(port.SetReadMode(CSerialPort::ReadBlocking), 0);
    ASSERT_TRUE(m_pty.Write("abc"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 3; }));
    char buffer[8] = {};
    DWORD count = 77;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, nullptr, 50), static_cast<LONG>(ERROR_TIMEOUT));
    ASSERT_LE(count, 3u);
    RecordProperty("taken_by_cancelled_read", static_cast<int>(count));
    // Whatever the cancelled read had taken is reported; the rest waits.
    std::string received(buffer, count);
    ASSERT_EQ(port.SetReadMode(CSerialPort::ReadNonBlocking), 0);
    DWORD more = 0;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &more), 0);
    received.append(buffer, more);
    EXPECT_EQ(received, "abc");
}

TEST_F(SerialPortTest, AFailedInternalWaitReportsItsErrorAndFinishesTheRequest)
{
    TestPort& port = Opened();
    ASSERT_EQ(port.SetReadMode(CSerialPort::ReadBlocking), 0);
    char buffer[4];
    DWORD count = 77;
    FailNextCalls("WaitForSingleObject", ERROR_INVALID_HANDLE, 1, true);
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(count, 0u);
    // The request did not outlive the call: later data goes to the next read.
    ASSERT_TRUE(m_pty.Write("abcd"));
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, nullptr, kGenerousMs), 0);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");

    // A request that ends with an error after the wait reports that error
    // with the bytes it had taken.
    ASSERT_TRUE(m_pty.Write("ab"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 2; }));
    std::thread aborter([&] {
        // The read has taken both bytes and waits for the rest.
        if (WaitUntil([&] { return port.InQueue() == 0; }))
            PurgeComm(port.Handle(), PURGE_RXABORT);
    });
    count = 77;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, nullptr, kGenerousMs),
              static_cast<LONG>(ERROR_OPERATION_ABORTED));
    aborter.join();
    EXPECT_EQ(count, 2u);
}

}  // namespace

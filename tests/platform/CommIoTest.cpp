// Reads, writes, queues, cancelling and unplugging, on real
// pseudo-terminals.
#include "platform/posix/OverlappedResult.h"
#include "tests/platform/CommFixture.h"
#include "tests/support/HexText.h"

#include <atomic>

#include <thread>

namespace {

using namespace tessaline::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct ReadTimeoutCase : NamedCase
{
    COMMTIMEOUTS timeouts;
    std::string before;  // queued before the read is issued
    DWORD length;
    std::string later;  // written on the far end `laterMs` after the issue
    int laterMs;
    DWORD expected;
    bool immediate;       // the read finishes inside the call
    long long atLeastMs;  // it must not finish earlier than this
};

const ReadTimeoutCase kReadTimeouts[] = {
    {"nonblocking_nothing_queued", {MAXDWORD, 0, 0, 0, 0}, "", 10, "", 0, 0, true, 0},
    {"nonblocking_some_queued", {MAXDWORD, 0, 0, 0, 0}, "abc", 10, "", 0, 3, true, 0},
    {"nonblocking_more_than_asked", {MAXDWORD, 0, 0, 0, 0}, "abcdef", 4, "", 0, 4, true, 0},
    {"no_timeouts_wait_for_full_count", {0, 0, 0, 0, 0}, "ab", 5, "cde", 60, 5, false, 60},
    {"no_timeouts_count_already_queued", {0, 0, 0, 0, 0}, "abcde", 5, "", 0, 5, true, 0},
    {"total_timeout_nothing_arrives", {0, 10, 100, 0, 0}, "", 5, "", 0, 0, false, 150},
    {"total_timeout_short_count", {0, 0, 200, 0, 0}, "", 5, "ab", 20, 2, false, 200},
    {"total_timeout_full_count_first", {0, 0, 60000, 0, 0}, "", 3, "abc", 20, 3, false, 20},
    {"interval_starts_at_first_byte", {80, 0, 0, 0, 0}, "", 10, "abc", 30, 3, false, 110},
    {"interval_from_queued_bytes", {80, 0, 0, 0, 0}, "ab", 10, "", 0, 2, false, 80},
    {"any_byte_queued", {MAXDWORD, MAXDWORD, 1000, 0, 0}, "ab", 10, "", 0, 2, true, 0},
    {"any_byte_arrives", {MAXDWORD, MAXDWORD, 60000, 0, 0}, "", 10, "x", 30, 1, false, 30},
    {"any_byte_none_arrives", {MAXDWORD, MAXDWORD, 120, 0, 0}, "", 10, "", 0, 0, false, 120},
};

class ReadTimeout : public CommTest, public ::testing::WithParamInterface<std::tuple<ReadTimeoutCase, bool>>
{
protected:
    void SetUp() override { OpenPort(std::get<1>(GetParam())); }
};

TEST_P(ReadTimeout, EndsTheReadAsTheTimeoutsSay)
{
    const ReadTimeoutCase& c = std::get<0>(GetParam());
    const bool overlapped = std::get<1>(GetParam());
    COMMTIMEOUTS timeouts = c.timeouts;
    ASSERT_TRUE(SetCommTimeouts(m_port, &timeouts));
    if (!c.before.empty())
        Arrive(c.before, static_cast<DWORD>(c.before.size()));

    std::thread writer;
    const auto start = Clock::now();
    if (!c.later.empty()) {
        writer = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.laterMs));
            m_pty.Write(c.later);
        });
    }
    char buffer[64] = {};
    DWORD count = kSentinel;
    OVERLAPPED request = Fresh();
    SetEvent(m_event);
    SetLastError(kSentinel);
    const BOOL done = ReadFile(m_port, buffer, c.length, &count, overlapped ? &request : nullptr);
    if (overlapped) {
        EXPECT_EQ(done != FALSE, c.immediate);
        if (done) {
            EXPECT_EQ(GetLastError(), kSentinel);
            EXPECT_TRUE(IsSignalled(m_event)) << "an immediate completion signals the event";
        } else {
            EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(WaitForSingleObject(m_event, 10000), WAIT_OBJECT_0);
            SetLastError(kSentinel);
            ASSERT_TRUE(GetOverlappedResult(m_port, &request, &count, FALSE));
            EXPECT_EQ(GetLastError(), kSentinel);
        }
    } else {
        ASSERT_TRUE(done) << GetLastError();
    }
    const long long elapsed = ElapsedMs(start);
    if (writer.joinable())
        writer.join();
    EXPECT_EQ(count, c.expected);
    EXPECT_GE(elapsed, c.atLeastMs);
    EXPECT_EQ(std::string(buffer, count), (c.before + c.later).substr(0, c.expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadTimeout, ::testing::Combine(::testing::ValuesIn(kReadTimeouts), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_overlapped" : "_blocking");
                         });

TEST_F(CommTest, IntervalTimeoutNeverEndsAReadBeforeTheFirstByte)
{
    ASSERT_TRUE(SetTimeouts(m_port, 20, 0, 0));
    char buffer[8];
    OVERLAPPED request = Fresh();
    ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, nullptr, &request));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    std::this_thread::sleep_for(200ms);
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(m_port, &request, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(request.Internal, tessaline::platform::kRequestPending);
    ASSERT_TRUE(m_pty.Write("z"));
    ASSERT_TRUE(GetOverlappedResult(m_port, &request, &count, TRUE));
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(buffer[0], 'z');
}

TEST_F(CommTest, ZeroLengthReadCompletesAtOnceEvenBehindAPendingRead)
{
    char buffer[4];
    OVERLAPPED pending = Fresh();
    ASSERT_FALSE(ReadFile(m_port, buffer, 4, nullptr, &pending));  // 0/0/0: waits for all four
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    OVERLAPPED empty = Fresh(m_other);
    DWORD count = kSentinel;
    EXPECT_TRUE(ReadFile(m_port, buffer, 0, &count, &empty));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(IsSignalled(m_other));
    EXPECT_EQ(empty.Internal, ERROR_SUCCESS);
    EXPECT_FALSE(ReadFile(m_port, buffer, 1, &count, nullptr)) << "an overlapped handle needs a record";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(m_pty.Write("abcd"));
    DWORD got = 0;
    EXPECT_TRUE(GetOverlappedResult(m_port, &pending, &got, TRUE));
    EXPECT_EQ(got, 4u);
}

TEST_F(CommTest, WriteThatTheDriverTakesAtOnceFinishesInsideTheCall)
{
    OVERLAPPED request = Fresh();
    DWORD count = 0;
    SetLastError(kSentinel);
    ASSERT_TRUE(WriteFile(m_port, "hello", 5, &count, &request));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(count, 5u);
    EXPECT_TRUE(IsSignalled(m_event));
    EXPECT_EQ(request.InternalHigh, 5u);
    EXPECT_EQ(m_pty.Read(5, 2000), "hello");
}

TEST_F(CommTest, LargeWritePendsUntilTheFarEndReadsItAndThenSignalsTxEmpty)
{
    const std::string data = RandomBytes(1 << 20, 7);
    ASSERT_TRUE(SetCommMask(m_port, EV_TXEMPTY));
    OVERLAPPED request = Fresh();
    SetEvent(m_event);
    DWORD count = kSentinel;
    ASSERT_FALSE(WriteFile(m_port, data.data(), static_cast<DWORD>(data.size()), &count, &request));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_FALSE(IsSignalled(m_event)) << "issuing resets the event";
    COMSTAT status{};
    ASSERT_TRUE(ClearCommError(m_port, nullptr, &status));
    EXPECT_GT(status.cbOutQue, 0u);
    EXPECT_TRUE(m_pty.Read(data.size(), 20000) == data);
    ASSERT_TRUE(GetOverlappedResult(m_port, &request, &count, TRUE));
    EXPECT_EQ(count, data.size());
    DWORD events = 0;
    OVERLAPPED wait = Fresh();
    ASSERT_TRUE(WaitCommEvent(m_port, &events, &wait));
    EXPECT_EQ(events, EV_TXEMPTY);
}

TEST_F(CommTest, WriteTimeoutEndsWithAShortCountAndSuccess)
{
    ASSERT_TRUE(SetTimeouts(m_port, MAXDWORD, 0, 0, 0, 150));
    std::string data(1 << 20, 'w');
    OVERLAPPED request = Fresh();
    const auto start = Clock::now();
    ASSERT_FALSE(WriteFile(m_port, data.data(), static_cast<DWORD>(data.size()), nullptr, &request));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    DWORD count = 0;
    ASSERT_TRUE(GetOverlappedResult(m_port, &request, &count, TRUE)) << GetLastError();
    EXPECT_GE(ElapsedMs(start), 150);
    EXPECT_GT(count, 0u);
    EXPECT_LT(count, data.size());
}

TEST_F(CommTest, BlockingHandleWritesAndReadsInsideTheCall)
{
    OpenPort(false);
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(m_port, "ping", 4, &count, nullptr));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(m_pty.Read(4, 2000).size(), 4u);
    std::thread far([this] {
        std::this_thread::sleep_for(30ms);
        m_pty.Write("pong");
    });
    char buffer[4];
    ASSERT_TRUE(ReadFile(m_port, buffer, 4, &count, nullptr));
    far.join();
    EXPECT_EQ(std::string(buffer, count), "pong");
}

TEST_F(CommTest, EveryByteValueArrivesOnceAndInOrder)
{
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    std::string data = RandomBytes(300000, 11);
    for (std::size_t i = 0; i < data.size(); i += 7)
        data[i] = '\xFF';
    std::thread far([&] { m_pty.Write(data); });
    std::string received(data.size(), '\0');
    OVERLAPPED request = Fresh();
    DWORD count = 0;
    if (!ReadFile(m_port, received.data(), static_cast<DWORD>(received.size()), &count, &request)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        ASSERT_TRUE(GetOverlappedResult(m_port, &request, &count, TRUE));
    }
    far.join();
    EXPECT_EQ(count, data.size());
    EXPECT_TRUE(received == data);
}

TEST_F(CommTest, ClearCommErrorCountsTheInputQueueAndPurgeEmptiesItOrAbortsPendingReads)
{
    ASSERT_TRUE(SetTimeouts(m_port, MAXDWORD, 0, 0));
    Arrive(std::string(100, 'i'), 100);
    EXPECT_EQ(ReadNow(30).size(), 30u);
    COMSTAT status{};
    DWORD errors = kSentinel;
    SetLastError(kSentinel);
    ASSERT_TRUE(ClearCommError(m_port, &errors, &status));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(status.cbInQue, 70u);
    ASSERT_TRUE(PurgeComm(m_port, PURGE_RXCLEAR | PURGE_TXCLEAR));
    ASSERT_TRUE(ClearCommError(m_port, &errors, &status));
    EXPECT_EQ(status.cbInQue, 0u);
    EXPECT_FALSE(PurgeComm(m_port, 0x10));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    char buffer[8];
    OVERLAPPED request = Fresh();
    ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, nullptr, &request));
    ASSERT_TRUE(PurgeComm(m_port, PURGE_RXABORT));
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(m_port, &request, &count, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
}

TEST_F(CommTest, FullQueueStopsReadingWithoutDroppingAByte)
{
    ASSERT_TRUE(SetupComm(m_port, 1024, 1024));
    ASSERT_TRUE(SetTimeouts(m_port, MAXDWORD, 0, 0));
    std::string data(8000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('A' + i % 23);
    ASSERT_TRUE(m_pty.Write(data));
    ASSERT_TRUE(WaitUntil([&] { return QueuedBytes(m_port) >= 1024; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_LE(QueuedBytes(m_port), 1025u) << "the queue stays within its size";
    std::string received;
    ASSERT_TRUE(WaitUntil([&] { return (received += ReadNow(100)).size() >= data.size(); }));
    EXPECT_TRUE(received == data);
    DWORD errors = kSentinel;
    ASSERT_TRUE(ClearCommError(m_port, &errors, nullptr));
    EXPECT_EQ(errors, 0u) << "nothing was dropped, so no overrun";
}

TEST_F(CommTest, ClosingTheHandleReleasesABlockedCallOnAnotherThread)
{
    OpenPort(false);
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    std::atomic<bool> returned{false};
    DWORD error = 0;
    std::thread reader([&] {
        char buffer[8];
        DWORD count = 0;
        EXPECT_FALSE(ReadFile(m_port, buffer, sizeof buffer, &count, nullptr));
        error = GetLastError();
        returned = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(returned);
    ASSERT_TRUE(CloseHandle(m_port));
    reader.join();
    m_port = INVALID_HANDLE_VALUE;
    EXPECT_EQ(error, ERROR_OPERATION_ABORTED);
}

TEST_F(CommTest, CancelIoCancelsTheCallingThreadsRequests)
{
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    DWORD events = kSentinel;
    OVERLAPPED wait = Fresh();
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    char buffer[8];
    OVERLAPPED read = Fresh(m_other);
    ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, nullptr, &read));
    SetLastError(kSentinel);
    ASSERT_TRUE(CancelIo(m_port));
    EXPECT_EQ(GetLastError(), kSentinel);
    // Both have finished when CancelIo returns.
    EXPECT_TRUE(IsSignalled(m_event));
    EXPECT_TRUE(IsSignalled(m_other));
    DWORD count = kSentinel;
    EXPECT_FALSE(GetOverlappedResult(m_port, &wait, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(events, 0u);
    EXPECT_FALSE(GetOverlappedResult(m_port, &read, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(count, 0u);
    // The device goes on working.
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    ASSERT_TRUE(m_pty.Write("k"));
    ASSERT_TRUE(GetOverlappedResult(m_port, &wait, &count, TRUE));
    EXPECT_EQ(events, EV_RXCHAR);
}

TEST_F(CommTest, CancelIoLeavesAnotherThreadsRequestsAlone)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    DWORD events = kSentinel;
    OVERLAPPED wait = Fresh();
    std::atomic<int> step{0};
    std::thread watcher([&] {
        EXPECT_FALSE(WaitCommEvent(m_port, &events, &wait));
        EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
        step = 1;
        WaitUntil([&] { return step == 2; });
        EXPECT_TRUE(CancelIo(m_port));
    });
    ASSERT_TRUE(WaitUntil([&] { return step == 1; }));
    ASSERT_TRUE(CancelIo(m_port));
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(m_port, &wait, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_FALSE(IsSignalled(m_event));
    step = 2;
    watcher.join();
    EXPECT_TRUE(IsSignalled(m_event));
    EXPECT_FALSE(GetOverlappedResult(m_port, &wait, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
}

TEST_F(CommTest, ClosingTheHandleAbortsPendingRequestsAndStopsItsThread)
{
    const std::size_t threadsOpen = ThreadCount();
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    DWORD events = kSentinel;
    OVERLAPPED wait = Fresh();
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    ASSERT_TRUE(CloseHandle(m_port));
    m_port = INVALID_HANDLE_VALUE;
    EXPECT_TRUE(IsSignalled(m_event));
    EXPECT_EQ(wait.Internal, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(events, 0u);
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(nullptr, &wait, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == threadsOpen - 1; }));
}

TEST_F(CommTest, UnplugCompletesPendingRequestsWithAnErrorAndFailsLaterCalls)
{
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR | EV_BREAK | EV_ERR));
    DWORD events = kSentinel;
    OVERLAPPED wait = Fresh();
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    char buffer[8];
    OVERLAPPED read = Fresh(m_other);
    ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, nullptr, &read));

    m_pty.CloseMaster();
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(m_other, 5000), WAIT_OBJECT_0);
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(m_port, &wait, &count, FALSE));
    const DWORD unplugged = GetLastError();
    EXPECT_NE(unplugged, ERROR_SUCCESS);
    EXPECT_NE(unplugged, ERROR_IO_INCOMPLETE);
    EXPECT_EQ(events, 0u);
    EXPECT_FALSE(GetOverlappedResult(m_port, &read, &count, FALSE));
    EXPECT_EQ(GetLastError(), unplugged);

    const long long cpuBefore = ProcessCpuMicroseconds();
    std::this_thread::sleep_for(500ms);
    EXPECT_LE(ProcessCpuMicroseconds() - cpuBefore, 20000) << "nothing spins after the unplug";

    OVERLAPPED request = Fresh();
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(m_port, buffer, sizeof buffer, &count, &request));
    EXPECT_EQ(GetLastError(), unplugged);
    EXPECT_FALSE(WriteFile(m_port, "x", 1, &count, &request));
    EXPECT_EQ(GetLastError(), unplugged);
    EXPECT_FALSE(WaitCommEvent(m_port, &events, &request));
    EXPECT_EQ(GetLastError(), unplugged);
    DCB dcb{};
    EXPECT_FALSE(GetCommState(m_port, &dcb));
    EXPECT_EQ(GetLastError(), unplugged);
    EXPECT_FALSE(ClearCommError(m_port, &count, nullptr));
    EXPECT_EQ(GetLastError(), unplugged);
    EXPECT_TRUE(CloseHandle(m_port));
    m_port = INVALID_HANDLE_VALUE;
}

TEST_F(CommTest, UnplugEndsAPendingReadWithTheBytesItHoldsAndFailsOnlyLaterCalls)
{
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    char buffer[8] = {};
    OVERLAPPED read = Fresh();
    ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, nullptr, &read));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    // The wait completes once the bytes are in; the read takes them in the
    // same step and goes on waiting for the other five.
    OVERLAPPED wait = Fresh(m_other);
    DWORD events = 0;
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    ASSERT_TRUE(m_pty.Write("abc"));
    ASSERT_EQ(WaitForSingleObject(m_other, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(events, EV_RXCHAR);
    DWORD count = kSentinel;
    EXPECT_FALSE(GetOverlappedResult(m_port, &read, &count, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(QueuedBytes(m_port), 0u) << "the read holds them";

    m_pty.CloseMaster();
    ASSERT_TRUE(GetOverlappedResult(m_port, &read, &count, TRUE)) << GetLastError();
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(std::string(buffer, count), "abc");
    OVERLAPPED later = Fresh();
    EXPECT_FALSE(ReadFile(m_port, buffer, sizeof buffer, &count, &later));
    EXPECT_NE(GetLastError(), ERROR_IO_PENDING);
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
}

TEST_F(CommTest, PendingWaitOnASilentLineUsesNoCpu)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR | EV_BREAK | EV_ERR));
    DWORD events = 0;
    OVERLAPPED wait = Fresh();
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    const long long cpuBefore = ProcessCpuMicroseconds();
    EXPECT_EQ(WaitForSingleObject(m_event, 2000), WAIT_TIMEOUT);
    EXPECT_LE(ProcessCpuMicroseconds() - cpuBefore, 10000) << "at most one 10 ms tick in 2 s";
    ASSERT_TRUE(CancelIo(m_port));
}

}  // namespace

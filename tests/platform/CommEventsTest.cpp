// Communication events: the mask and history model, line conditions a pty
// cannot produce fed through the receive path, and escapes that hold output,
// on real pseudo-terminals.
#include "platform/FaultInjection.h"
#include "tests/platform/CommFixture.h"

#include <thread>

namespace {

using namespace tessaline::testing;
using namespace std::chrono_literals;
using tessaline::platform::testing::InjectReceivedBytes;

class Events : public CommTest
{
protected:
    // Issues an overlapped wait; true when it finished inside the call.
    bool IssueWait(DWORD& events, OVERLAPPED& request)
    {
        request = Fresh();
        SetEvent(m_event);
        events = kSentinel;
        if (WaitCommEvent(m_port, &events, &request))
            return true;
        EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
        EXPECT_FALSE(IsSignalled(m_event)) << "issuing resets the event";
        return false;
    }
};

TEST_F(Events, BytesQueuedBeforeTheMaskDoNotFireAWait)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_BREAK));
    Arrive("abc", 3);
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    DWORD events = 0;
    OVERLAPPED request;
    ASSERT_FALSE(IssueWait(events, request));
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(IsSignalled(m_event));
    ASSERT_TRUE(m_pty.Write("d"));
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(events, EV_RXCHAR);
    DWORD count = kSentinel;
    EXPECT_TRUE(GetOverlappedResult(m_port, &request, &count, FALSE));
    EXPECT_EQ(count, 0u);
}

TEST_F(Events, HistoryRecordedBeforeTheWaitCompletesItAtOnceAndIsCleared)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    Arrive("abc", 3);
    DWORD events = 0;
    OVERLAPPED request;
    SetLastError(kSentinel);
    ASSERT_TRUE(IssueWait(events, request));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(events, EV_RXCHAR);
    EXPECT_TRUE(IsSignalled(m_event));
    // The history is now empty: the next wait pends although bytes are queued.
    ASSERT_FALSE(IssueWait(events, request));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(events, 0u);
}

TEST_F(Events, ByteAfterACompletedWaitFiresTheNextWaitEvenIfTheReadTookIt)
{
    ASSERT_TRUE(SetTimeouts(m_port, MAXDWORD, 0, 0));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    Arrive("a", 1);
    Arrive("b", 2);
    DWORD events = 0;
    OVERLAPPED request;
    ASSERT_TRUE(IssueWait(events, request));
    EXPECT_EQ(ReadNow(), "ab");
    Arrive("c", 1);
    EXPECT_EQ(ReadNow(), "c");
    ASSERT_TRUE(IssueWait(events, request));
    EXPECT_EQ(events, EV_RXCHAR);
    EXPECT_EQ(ReadNow(), "") << "that read finds nothing, which is normal";
}

TEST_F(Events, SetCommMaskCompletesAPendingWaitWithAnEmptyWordAndNarrowsTheHistory)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR | EV_TXEMPTY));
    DWORD count = 0;
    OVERLAPPED write = Fresh();
    ASSERT_TRUE(WriteFile(m_port, "x", 1, &count, &write));  // TXEMPTY into the history
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));             // and out of it again
    DWORD events = 0;
    OVERLAPPED request;
    ASSERT_FALSE(IssueWait(events, request));
    SetLastError(kSentinel);
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR | EV_ERR));
    EXPECT_EQ(GetLastError(), kSentinel);
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(events, 0u);
    EXPECT_TRUE(GetOverlappedResult(m_port, &request, &count, FALSE));
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(m_port, &mask));
    EXPECT_EQ(mask, EV_RXCHAR | EV_ERR);
}

TEST_F(Events, SecondWaitAndZeroMaskAreInvalidParameters)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    DWORD events = 0;
    OVERLAPPED request;
    ASSERT_FALSE(IssueWait(events, request));
    OVERLAPPED second = Fresh(m_other);
    DWORD secondEvents = 0;
    EXPECT_FALSE(WaitCommEvent(m_port, &secondEvents, &second));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(IsSignalled(m_event)) << "the first wait goes on";
    ASSERT_TRUE(m_pty.Write("q"));
    ASSERT_EQ(WaitForSingleObject(m_event, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(events, EV_RXCHAR);

    ASSERT_TRUE(SetCommMask(m_port, 0));
    EXPECT_FALSE(WaitCommEvent(m_port, &events, &request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

struct MaskCase : NamedCase
{
    DWORD mask;
    DWORD error;  // 0: accepted
};

class MaskValues : public CommTest, public ::testing::WithParamInterface<MaskCase>
{};

TEST_P(MaskValues, AreAcceptedOrRefusedWithTheMaskKept)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    SetLastError(kSentinel);
    const BOOL accepted = SetCommMask(m_port, GetParam().mask);
    DWORD mask = 0;
    ASSERT_TRUE(GetCommMask(m_port, &mask));
    if (GetParam().error == 0) {
        EXPECT_TRUE(accepted);
        EXPECT_EQ(GetLastError(), kSentinel);
        EXPECT_EQ(mask, GetParam().mask);
    } else {
        EXPECT_FALSE(accepted);
        EXPECT_EQ(GetLastError(), GetParam().error);
        EXPECT_EQ(mask, EV_RXCHAR);
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, MaskValues,
                         ::testing::Values(MaskCase{"serial_layer_default", EV_RXCHAR | EV_BREAK | EV_ERR, 0},
                                           MaskCase{"with_event_char", EV_RXCHAR | EV_RXFLAG | EV_BREAK | EV_ERR, 0},
                                           MaskCase{"tx_empty_and_80_full", EV_TXEMPTY | EV_RX80FULL, 0},
                                           MaskCase{"zero", 0, 0},
                                           MaskCase{"above_0x1fff", 0x2000, ERROR_INVALID_PARAMETER},
                                           MaskCase{"cts_without_modem_lines", EV_RXCHAR | EV_CTS, ERROR_NOT_SUPPORTED},
                                           MaskCase{"dsr_without_modem_lines", EV_DSR, ERROR_NOT_SUPPORTED},
                                           MaskCase{"rlsd_without_modem_lines", EV_RLSD, ERROR_NOT_SUPPORTED},
                                           MaskCase{"ring_without_modem_lines", EV_RING, ERROR_NOT_SUPPORTED}),
                         CaseName());

TEST_F(Events, EventCharacterFiresRxFlagBesideRxChar)
{
    DCB dcb = Current();
    dcb.EvtChar = '\r';
    ASSERT_TRUE(SetCommState(m_port, &dcb));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR | EV_RXFLAG));
    Arrive("ab", 2);
    DWORD events = 0;
    OVERLAPPED request;
    ASSERT_TRUE(IssueWait(events, request));
    EXPECT_EQ(events, EV_RXCHAR);
    Arrive("c\rd", 5);
    ASSERT_TRUE(IssueWait(events, request));
    EXPECT_EQ(events, EV_RXCHAR | EV_RXFLAG);
}

TEST_F(Events, BlockingHandleWaitReturnsWhenTheEventFires)
{
    OpenPort(false);
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR));
    std::thread far([this] {
        std::this_thread::sleep_for(30ms);
        m_pty.Write("!");
    });
    DWORD events = 0;
    EXPECT_TRUE(WaitCommEvent(m_port, &events, nullptr));
    far.join();
    EXPECT_EQ(events, EV_RXCHAR);
}

// Line conditions a pty cannot produce, fed through the receive path

struct LineConditionCase : NamedCase
{
    std::string raw;
    std::string data;
    DWORD errors;
    DWORD events;  // with mask EV_RXCHAR | EV_BREAK | EV_ERR
};

class LineConditions : public CommTest, public ::testing::WithParamInterface<LineConditionCase>
{};

TEST_P(LineConditions, SetStickyErrorsAndFireTheirEvents)
{
    const LineConditionCase& c = GetParam();
    ASSERT_TRUE(SetTimeouts(m_port, MAXDWORD, 0, 0));
    ASSERT_TRUE(SetCommMask(m_port, EV_RXCHAR | EV_BREAK | EV_ERR));
    ASSERT_TRUE(InjectReceivedBytes(m_port, c.raw.data(), static_cast<DWORD>(c.raw.size())));
    DWORD events = 0;
    OVERLAPPED request = Fresh();
    ASSERT_TRUE(WaitCommEvent(m_port, &events, &request));
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(ReadNow(), c.data);
    for (int pass = 0; pass < 2; ++pass) {
        DWORD errors = kSentinel;
        ASSERT_TRUE(ClearCommError(m_port, &errors, nullptr));
        EXPECT_EQ(errors, pass == 0 ? c.errors : 0u) << "pass " << pass;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, LineConditions,
    ::testing::Values(LineConditionCase{"break", std::string("\xFF\x00\x00", 3), "", CE_BREAK, EV_BREAK},
                      LineConditionCase{"framing_error", std::string{'a', '\xFF', '\0', 'b', 'c'}, "abc", CE_FRAME,
                                        EV_RXCHAR | EV_ERR},
                      LineConditionCase{"escaped_ff", std::string("\xFF\xFF", 2), "\xFF", 0, EV_RXCHAR},
                      LineConditionCase{"break_and_error", std::string("\xFF\x00\x00\xFF\x00z", 6), "z",
                                        CE_BREAK | CE_FRAME, EV_RXCHAR | EV_BREAK | EV_ERR}),
    CaseName());

TEST_F(CommTest, MarkSplitAcrossDeliveriesIsStillRecognised)
{
    ASSERT_TRUE(SetCommMask(m_port, EV_BREAK));
    ASSERT_TRUE(InjectReceivedBytes(m_port, "\xFF", 1));
    ASSERT_TRUE(InjectReceivedBytes(m_port, "\x00", 1));
    EXPECT_EQ(QueuedBytes(m_port), 0u);
    ASSERT_TRUE(InjectReceivedBytes(m_port, "\x00", 1));
    DWORD events = 0;
    OVERLAPPED request = Fresh();
    ASSERT_TRUE(WaitCommEvent(m_port, &events, &request));
    EXPECT_EQ(events, EV_BREAK);
}

TEST_F(CommTest, AbortOnErrorFailsRequestsUntilTheErrorIsCleared)
{
    ASSERT_TRUE(SetTimeouts(m_port, 0, 0, 0));
    DCB dcb = Current();
    dcb.fAbortOnError = 1;
    ASSERT_TRUE(SetCommState(m_port, &dcb));
    char buffer[8];
    OVERLAPPED pending = Fresh();
    ASSERT_FALSE(ReadFile(m_port, buffer, sizeof buffer, nullptr, &pending));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    ASSERT_TRUE(InjectReceivedBytes(m_port, "\xFF\x00q", 3));
    DWORD count = 0;
    EXPECT_FALSE(GetOverlappedResult(m_port, &pending, &count, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    OVERLAPPED request = Fresh();
    EXPECT_FALSE(ReadFile(m_port, buffer, sizeof buffer, &count, &request));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(WriteFile(m_port, "x", 1, &count, &request));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(SetCommMask(m_port, EV_RXCHAR));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(m_port, &errors, nullptr));
    EXPECT_EQ(errors, CE_FRAME);
    ASSERT_TRUE(SetTimeouts(m_port, MAXDWORD, 0, 0));
    EXPECT_EQ(ReadNow(), "q");
}

TEST_F(CommTest, QueueReachingFourFifthsOfItsSizeFiresRx80Full)
{
    ASSERT_TRUE(SetupComm(m_port, 100, 100));
    ASSERT_TRUE(SetCommMask(m_port, EV_RX80FULL));
    Arrive(std::string(79, 'a'), 79);
    DWORD events = 0;
    OVERLAPPED wait = Fresh();
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    ASSERT_TRUE(m_pty.Write("b"));
    DWORD count = 0;
    ASSERT_TRUE(GetOverlappedResult(m_port, &wait, &count, TRUE));
    EXPECT_EQ(events, EV_RX80FULL);
}

TEST_F(CommTest, XoffEscapeHoldsOutputUntilXon)
{
    ASSERT_TRUE(EscapeCommFunction(m_port, SETXOFF));
    OVERLAPPED write = Fresh();
    DWORD count = 0;
    ASSERT_FALSE(WriteFile(m_port, "held", 4, &count, &write));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_TRUE(m_pty.Read(1, 100).empty());
    ASSERT_TRUE(EscapeCommFunction(m_port, SETXON));
    ASSERT_TRUE(GetOverlappedResult(m_port, &write, &count, TRUE));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(m_pty.Read(4, 2000).size(), 4u);
    EXPECT_TRUE(EscapeCommFunction(m_port, SETBREAK));
    EXPECT_TRUE(EscapeCommFunction(m_port, CLRBREAK));
}

}  // namespace

// CSerialWnd and CSerialWndObj: what is posted, where, and the notification
// members through Open and Close.
#include "tests/serial/SerialFixtures.h"

#include <new>

namespace {

using namespace serialtest;

// Reads a window port's handles from outside, so that the port itself can be
// a CSerialWnd or CSerialWndObj whose own destructors are the ones that run.
struct HandlesOf : CSerialWndObj
{
    // Thread, watch event, I/O event and device, in that order.
    static std::vector<HANDLE> Of(const CSerialWnd& port)
    {
        return {port.*(&HandlesOf::m_thread), port.*(&HandlesOf::m_watchEvent), port.*(&HandlesOf::m_ioEvent),
                port.*(&HandlesOf::m_handle)};
    }
};

class SerialWndTest : public SerialTest
{
protected:
    // Takes the next notification, failing the test when none comes.
    PostedMessage Next(MessageQueueTarget& target)
    {
        auto message = target.Take(kGenerousMs);
        EXPECT_TRUE(message.has_value());
        return message.value_or(PostedMessage{0, 0, 0});
    }

    // Destroys a connected port of class Port (through its own destructor,
    // nothing closed first) with the first `failedJoins` joins on this
    // thread failing; with every join failing, the watcher has ended first
    // (after a stop whose join failed), so that it never races the
    // destructors. Returns whether the device was still held afterwards. The
    // object lives in storage of its own, so its end can be watched.
    template <class Port>
    bool DeviceHeldAfterDestruction(unsigned failedJoins, bool everyJoinFails = false)
    {
        alignas(Port) unsigned char storage[sizeof(Port)];
        auto* port = new (storage) Port;
        EXPECT_EQ(port->Open(Path(), m_target.Handle(), 0, 0, 0, 0), 0);
        EXPECT_TRUE(m_pty.Write("a"));
        Next(m_target);  // the watcher runs
        const std::vector<HANDLE> handles = HandlesOf::Of(*port);
        if (everyJoinFails) {
            FailNextCalls("WaitForSingleObject", ERROR_INVALID_HANDLE, 1, true);
            EXPECT_EQ(port->StopWatcher(INFINITE), static_cast<LONG>(ERROR_INVALID_HANDLE));
            EXPECT_EQ(WaitForSingleObject(handles[0], kGenerousMs), WAIT_OBJECT_0);
            failedJoins = 100;
        }
        if (failedJoins != 0)
            FailNextCalls("WaitForSingleObject", ERROR_INVALID_HANDLE, failedJoins, true);
        port->~Port();
        ClearFaults();
        const bool held = !DeviceFree();
        if (held) {
            // Left open on purpose; released here.
            for (HANDLE handle : handles)
                CloseHandle(handle);
        }
        return held;
    }

    void TearDown() override { m_ports.clear(); }  // before the target goes

    // A window port opened on the pty, notifying m_target, that lives as
    // long as the test.
    TestWnd& OpenWnd(UINT message = 0, LPARAM param = 0)
    {
        m_ports.push_back(std::make_unique<TestWnd>());
        auto& port = static_cast<TestWnd&>(*m_ports.back());
        EXPECT_EQ(port.Open(Path(), m_target.Handle(), message, param, 0, 0), 0);
        return port;
    }

    MessageQueueTarget m_target;
};

TEST_F(SerialWndTest, TheDefaultMessageIsRegisteredBeforeMain)
{
    EXPECT_GE(CSerialWnd::s_defaultComMsg, 0xC000u);
    EXPECT_LE(CSerialWnd::s_defaultComMsg, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("CSerialWnd_DefaultComMsg"), CSerialWnd::s_defaultComMsg);
    EXPECT_EQ(RegisterWindowMessageA("CSerialWnd_WatcherEndedMsg"), CSerialWnd::s_watcherEndedMsg);
    EXPECT_NE(CSerialWnd::s_watcherEndedMsg, CSerialWnd::s_defaultComMsg);
}

struct MessageCase : NamedCase
{
    UINT message;
    LPARAM param;
    UINT posted;  // 0: the default message
};

class NotificationMessage : public SerialWndTest, public ::testing::WithParamInterface<MessageCase>
{};

TEST_P(NotificationMessage, CarriesTheChosenMessageAndParameter)
{
    const MessageCase& c = GetParam();
    TestWnd& port = OpenWnd(c.message, c.param);
    const UINT expected = c.posted != 0 ? c.posted : CSerialWnd::s_defaultComMsg;
    EXPECT_EQ(port.Message(), expected);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pty.Write("a"));
        const PostedMessage message = Next(m_target);
        EXPECT_EQ(message.message, expected);
        EXPECT_EQ(message.wParam, WPARAM{EV_RXCHAR});
        EXPECT_EQ(message.lParam, c.param);
        char buffer[16];
        EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, NotificationMessage,
                         ::testing::Values(MessageCase{"Default", 0, 7, 0},
                                           MessageCase{"Registered", 0x8001, 0, 0x8001},
                                           MessageCase{"User", WM_USER + 5, -42, WM_USER + 5}),
                         CaseName());

TEST_F(SerialWndTest, WParamPacksErrorsHighAndEventsLowSixteenBitsEach)
{
    using Row = std::tuple<DWORD, DWORD, WPARAM>;  // events, errors, wParam
    TestWnd& port = OpenWnd(0x8001, 3);
    for (const auto& [events, errors, packed] :
         {Row{EV_RXCHAR, 0, 1}, Row{0x0081, 2, 0x20081}, Row{0x12345, 0xABCDE, 0xBCDE2345},
          Row{0xFFFF, 0xFFFF, 0xFFFFFFFF}, Row{0x10000, 0x10000, 0}}) {
        EXPECT_EQ(port.OnSerialEvent(events, errors), TRUE);
        const PostedMessage message = Next(m_target);
        EXPECT_EQ(message.wParam, packed) << std::hex << events << " " << errors;
        EXPECT_EQ(message.message, 0x8001u);
        EXPECT_EQ(message.lParam, 3);
    }
}

TEST_F(SerialWndTest, AWindowObjectGivesItsHandleAndNoObjectPostsNowhere)
{
    CWnd window;
    window.m_hWnd = m_target.Handle();
    {
        TestWnd port;
        ASSERT_EQ(port.Open(Path(), &window, 0, 9, 0, 0), 0);
        EXPECT_EQ(port.Target(), m_target.Handle());
        ASSERT_TRUE(m_pty.Write("a"));
        EXPECT_EQ(Next(m_target).lParam, 9);
    }
    TestWnd port;
    ASSERT_EQ(port.Open(Path(), static_cast<CWnd*>(nullptr), 0, 0, 0, 0), 0);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Target(), nullptr);
    EXPECT_EQ(port.Message(), CSerialWnd::s_defaultComMsg);
    SetLastError(kSentinel);
    EXPECT_EQ(port.OnSerialEvent(EV_RXCHAR, 0), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    ASSERT_TRUE(m_pty.Write("b"));
    EXPECT_FALSE(m_target.Take(200).has_value());
    EXPECT_EQ(port.Close(), 0);
}

TEST_F(SerialWndTest, OpenOnAnOpenPortKeepsDestinationMessageParameterAndWatcher)
{
    MessageQueueTarget other;
    TestWnd& port = OpenWnd(0x8001, 5);
    HANDLE thread = port.Thread();
    EXPECT_EQ(port.Open(Path(), other.Handle(), 0x8002, 6, 0, 0), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(port.Target(), m_target.Handle());
    EXPECT_EQ(port.Message(), 0x8001u);
    EXPECT_EQ(port.Param(), 5);
    EXPECT_EQ(port.Thread(), thread);
    ASSERT_TRUE(m_pty.Write("a"));
    EXPECT_EQ(Next(m_target).message, 0x8001u);
    EXPECT_FALSE(other.Take(100).has_value());
}

TEST_F(SerialWndTest, CloseClearsDestinationAndMessageButKeepsTheParameter)
{
    MessageQueueTarget second;
    TestWnd& port = OpenWnd(0, 21);
    // A Close whose join fails leaves the watcher its destination.
    FailNextCalls("WaitForSingleObject", ERROR_INVALID_HANDLE, 1, true);
    EXPECT_EQ(port.Close(), static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(port.Target(), m_target.Handle());
    EXPECT_NE(port.Message(), 0u);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.Target(), nullptr);
    EXPECT_EQ(port.Message(), 0u);
    EXPECT_EQ(port.Param(), 21);
    EXPECT_EQ(port.Thread(), nullptr);

    ASSERT_EQ(port.Open(Path(), second.Handle(), 0x8003, 22, 0, 0), 0);
    ASSERT_TRUE(m_pty.Write("a"));
    const PostedMessage message = Next(second);
    EXPECT_EQ(message.message, 0x8003u);
    EXPECT_EQ(message.lParam, 22);
    EXPECT_FALSE(m_target.Take(100).has_value());
}

TEST_F(SerialWndTest, NotificationsQueueUpWhileTheReceiverIsBusy)
{
    TestWnd& port = OpenWnd();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pty.Write("x"));
        ASSERT_TRUE(WaitUntil([&] { return m_target.Pending() == static_cast<std::size_t>(i) + 1; }));
    }
    // The first handled notification drains everything; the others find nothing.
    char buffer[100];
    DWORD count = 0;
    ASSERT_TRUE(m_target.Take(0).has_value());
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 3u);
    for (int i = 0; i < 2; ++i) {
        const auto message = m_target.Take(0);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->wParam, WPARAM{EV_RXCHAR});
        EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);
        EXPECT_EQ(count, 0u);
    }
}

TEST_F(SerialWndTest, AnUnregisteredTargetLosesNotificationsQuietly)
{
    auto target = std::make_unique<MessageQueueTarget>();
    TestWnd port;
    ASSERT_EQ(port.Open(Path(), target->Handle(), 0, 0, 0, 0), 0);
    target.reset();
    ASSERT_TRUE(m_pty.Write("a"));
    // The watcher goes on: bytes keep arriving, the port stays usable.
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 1; }));
    EXPECT_EQ(port.WriteText("ok"), 0);
    EXPECT_EQ(port.Close(), 0);
}

// Line conditions a pty cannot make arrive through the device's own
// receive path as in-band marks.
TEST_F(SerialWndTest, LineErrorsTravelInTheHighWordOnce)
{
    TestWnd& port = OpenWnd();
    const std::pair<std::vector<std::uint8_t>, WPARAM> cases[] = {
        {{0xFF, 0x00, 'A'}, (WPARAM{CE_FRAME} << 16) | EV_ERR | EV_RXCHAR},  // a character with a framing error
        {{0xFF, 0x00, 0x00}, (WPARAM{CE_BREAK} << 16) | EV_BREAK},           // a break
        {{'B'}, EV_RXCHAR},                                                  // the errors were cleared
    };
    for (const auto& [bytes, wParam] : cases) {
        ASSERT_TRUE(InjectReceivedBytes(port.Handle(), bytes.data(), static_cast<DWORD>(bytes.size())));
        // The device may complete the wait between the error and the data,
        // so one condition can take two notifications; each bit comes once.
        WPARAM seen = 0;
        while ((seen | wParam) == wParam && seen != wParam) {
            const auto message = m_target.Take(kGenerousMs);
            ASSERT_TRUE(message.has_value());
            EXPECT_EQ(seen & message->wParam, 0u) << std::hex << message->wParam;
            seen |= message->wParam;
        }
        EXPECT_EQ(seen, wParam) << std::hex << seen;
        char buffer[16];
        EXPECT_EQ(port.Read(buffer, sizeof buffer), 0);
    }
    EXPECT_FALSE(m_target.Take(100).has_value());
}

TEST_F(SerialWndTest, TheTriggerCharacterIsReportedWithTheBytes)
{
    TestWnd& port = OpenWnd();
    ASSERT_EQ(port.SetTriggerChar('\r', true), 0);
    ASSERT_TRUE(m_pty.Write("ab\r"));
    WPARAM events = 0;
    // The bytes may come in more than one wake; the flag comes with the last.
    while (!(events & EV_RXFLAG)) {
        const auto message = m_target.Take(kGenerousMs);
        ASSERT_TRUE(message.has_value());
        events |= message->wParam;
    }
    EXPECT_EQ(events, WPARAM{EV_RXCHAR | EV_RXFLAG});
}

TEST_F(SerialWndTest, DestroyingAConnectedPortJoinsItsWatcherBeforeClosingAnything)
{
    // A failed join is retried without a time-out; only when every join
    // fails are the handles left open rather than closed under the watcher.
    EXPECT_FALSE(DeviceHeldAfterDestruction<CSerialWnd>(0));
    // Counted after the first watcher, so that a sanitizer's helper thread
    // started along with it is part of the baseline.
    const std::size_t threads = ThreadCount();
    EXPECT_FALSE(DeviceHeldAfterDestruction<CSerialWndObj>(0));
    EXPECT_FALSE(DeviceHeldAfterDestruction<CSerialWnd>(1));
    EXPECT_FALSE(DeviceHeldAfterDestruction<CSerialWndObj>(1));
    EXPECT_TRUE(DeviceHeldAfterDestruction<CSerialWnd>(0, true));
    EXPECT_TRUE(DeviceHeldAfterDestruction<CSerialWndObj>(0, true));
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == threads; }));
}

TEST_F(SerialWndTest, AnUnpluggedDeviceEndsTheWatcherAndCloseStillReturns)
{
    TestWnd& port = OpenWnd(0, 31);
    ASSERT_TRUE(m_pty.Write("hello"));
    ASSERT_TRUE(WaitUntil([&] { return port.InQueue() == 5; }));
    m_pty.CloseMaster();

    // The loss is posted once, with the error and the opener's parameter.
    PostedMessage message{0, 0, 0};
    while (message.message != CSerialWnd::s_watcherEndedMsg) {
        message = Next(m_target);
        ASSERT_NE(message.message, 0u) << "no report of the lost device";
    }
    EXPECT_EQ(message.wParam, WPARAM{ERROR_IO_DEVICE});
    EXPECT_EQ(message.lParam, 31);
    EXPECT_EQ(WaitForSingleObject(port.Thread(), kGenerousMs), WAIT_OBJECT_0);

    // What arrived before the loss is still there; then the loss shows.
    char buffer[16];
    DWORD count = 0;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(std::string(buffer, count), "hello");
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), static_cast<LONG>(ERROR_IO_DEVICE));
    LONG closed = 77;
    CallInThread closing("Close", [&] { closed = port.Close(); });
    ASSERT_TRUE(closing.Done());
    EXPECT_EQ(closed, 0);
    EXPECT_FALSE(port.IsOpen());
    while (auto more = m_target.Take(0))
        EXPECT_NE(more->message, CSerialWnd::s_watcherEndedMsg) << "posted twice";
}

}  // namespace

// The connection on its own, without a frame or a display: the texts it
// shows the user, its receive path and a lost device, against a
// pseudo-terminal.
#include "app/ConnectionMessages.h"
#include "app/SerialConnection.h"
#include "app/TestPeer.h"
#include "platform/PortNames.h"
#include "tests/support/BlockingQueue.h"
#include "tests/support/HexText.h"
#include "tests/support/PtyPair.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <regex>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace tessaline::app {
namespace {

using platform::OpenFailure;
using platform::OpenFailureKind;

TEST(ConnectionMessages, SayWhyAPortCannotBeOpened)
{
    struct Case
    {
        OpenFailure failure;
        const char* expected;
    };
    const Case cases[] = {
        {{OpenFailureKind::None, "", 0, ""}, "COM3 포트를 열 수 없습니다."},
        {{OpenFailureKind::NotFound, "/dev/ttyUSB0", 2, ""},
         "COM3 포트를 열 수 없습니다.\n/dev/ttyUSB0: 장치가 없습니다."},
        {{OpenFailureKind::NotFound, "", 0, ""}, "COM3 포트를 열 수 없습니다.\nCOM3: 장치가 없습니다."},
        {{OpenFailureKind::Permission, "/dev/ttyS0", 13, ""},
         "COM3 포트를 열 수 없습니다.\n/dev/ttyS0: 권한이 없습니다. 사용자를 dialout 그룹에 추가하십시오."},
        {{OpenFailureKind::Busy, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", 16, ""},
         "COM3 포트를 열 수 없습니다.\n"
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0: 다른 프로그램이 사용 중입니다."},
        {{OpenFailureKind::NotATerminal, "/tmp/notes.txt", 25, ""},
         "COM3 포트를 열 수 없습니다.\n/tmp/notes.txt: 직렬 포트가 아닙니다."},
        {{OpenFailureKind::Other, "/dev/ttyS1", 5, "Input/output error"},
         "COM3 포트를 열 수 없습니다.\n/dev/ttyS1: Input/output error"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConnectFailureMessage("COM3", c.failure), c.expected) << static_cast<int>(c.failure.kind);
    EXPECT_EQ(ConnectionLostMessage("COM2"), "COM2 장치와의 연결이 끊어졌습니다.");
}

// The widest run without a space or line break, in columns.
std::size_t WidestRun(const std::string& text)
{
    std::size_t widest = 0, run = 0;
    for (unsigned char byte : text) {
        if (byte == ' ' || byte == '\n')
            run = 0;
        else if ((byte & 0xC0) != 0x80)
            run += byte >= 0xE1 ? 2 : 1;
        widest = std::max(widest, run);
    }
    return widest;
}

TEST(ConnectionMessages, LongRunsAreBrokenWithoutLosingACharacter)
{
    struct Case
    {
        const char* text;
        std::size_t columns;
        const char* expected;
    };
    const Case cases[] = {
        {"abc defghij", 5, "abc defgh\nij"},
        {"/a/b/cdef", 5, "/a/b/\ncdef"},
        {"abcdefgh", 3, "abc\ndef\ngh"},
        {"가나다라 마", 6, "가나다\n라 마"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BreakLongRuns(c.text, c.columns), c.expected) << c.text;

    // A long path keeps the box narrow and every character.
    const std::string path = "/dev/serial/by-id/" + std::string(150, 'x') + "/usb-Adapter_Serial-if00-port0";
    std::string message = ConnectFailureMessage("COM1", {OpenFailureKind::Permission, path, 13, ""});
    EXPECT_LE(WidestRun(message), kMessageColumns) << message;
    std::erase(message, '\n');
    EXPECT_EQ(message,
              "COM1 포트를 열 수 없습니다." + path + ": 권한이 없습니다. 사용자를 dialout 그룹에 추가하십시오.");
}

// Stands in for the frame: keeps the port's messages for the test thread and
// records what the connection reports.
class Owner : public SerialConnection::Events
{
public:
    void QueueMessage(const SerialMessage& message) override { m_messages.Push(message); }
    void ShowReceived(std::string_view text) override { shown += text; }
    void ConnectFailed(const std::string& message) override { failures.push_back(message); }
    void ConnectionLost(const std::string& message) override { losses.push_back(message); }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void LogFailed(const std::string& message) override { logFailures.push_back(message); }

    std::optional<SerialMessage> Take(std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        return m_messages.Take(limit);
    }

    std::string shown;
    std::vector<std::string> failures;
    std::vector<std::string> losses;
    std::vector<std::string> statuses;
    std::vector<std::string> logFailures;

private:
    testing::BlockingQueue<SerialMessage> m_messages;
};

class Connection : public ::testing::Test
{
protected:
    void TearDown() override { platform::ClearPortAliases(); }

    // Connects COM2, named `path` (the pty unless given), at `baud`.
    void Connect(const std::string& path = {}, std::int32_t baud = 9600)
    {
        platform::SetPortAlias("COM2", path.empty() ? m_pty.SlavePath() : path);
        PortSettings settings;
        settings.port = 2;
        settings.baud = baud;
        ASSERT_TRUE(m_connection.Connect(settings));
        ASSERT_TRUE(m_connection.IsOpen());
    }

    // Hands the port's messages to the connection until `condition` holds.
    ::testing::AssertionResult HandleUntil(const std::function<bool()>& condition)
    {
        while (!condition()) {
            const auto message = m_owner.Take();
            if (!message)
                return ::testing::AssertionFailure() << "no message came; shown so far: " << m_owner.shown;
            m_connection.HandleMessage(*message);
        }
        return ::testing::AssertionSuccess();
    }

    testing::PtyPair m_pty;
    Owner m_owner;
    SerialConnection m_connection{m_owner};
};

TEST_F(Connection, ShowsReceivedBytesAsHexAndSendsTypedBytes)
{
    Connect();
    const std::string bytes = testing::CountingBytes(250, 7, 1);
    ASSERT_TRUE(m_pty.Write(bytes));
    std::string expected;
    SerialConnection::AppendHexPairs(expected, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    ASSERT_TRUE(HandleUntil([&] { return m_owner.shown.size() >= expected.size(); }));
    EXPECT_EQ(m_owner.shown, expected);

    m_connection.Send(std::string("a\r\0", 3));
    EXPECT_EQ(m_pty.Read(3, 10000), std::string("a\r\0", 3));
    m_connection.Disconnect();
    EXPECT_FALSE(m_connection.IsOpen());
    EXPECT_TRUE(m_owner.failures.empty());
    EXPECT_TRUE(m_owner.losses.empty());
}

TEST_F(Connection, ALostDeviceShowsWhatCameBeforeClosesAndIsReportedOnce)
{
    m_connection.SetReconnect(false);
    Connect();
    ASSERT_TRUE(m_pty.Write("\x41\x42\x43"));
    // The bytes wait in the port once it has reported them; that report is
    // left unhandled, so only the loss can show them.
    std::optional<SerialMessage> received = m_owner.Take();
    ASSERT_TRUE(received);
    ASSERT_EQ(received->message, CSerialWnd::s_defaultComMsg);
    m_pty.CloseMaster();

    std::optional<SerialMessage> ended;
    while (!ended) {
        const auto message = m_owner.Take();
        ASSERT_TRUE(message) << "no end of the watcher was reported";
        if (message->message == CSerialWnd::s_watcherEndedMsg)
            ended = message;
    }
    m_connection.HandleMessage(*ended);
    EXPECT_EQ(m_owner.shown, "41 42 43 ");
    EXPECT_FALSE(m_connection.IsOpen());
    ASSERT_EQ(m_owner.losses.size(), 1u);
    EXPECT_EQ(m_owner.losses[0], "COM2 장치와의 연결이 끊어졌습니다.");

    // The same report again, or one left over from this connection after a
    // new one opened, changes nothing.
    m_connection.HandleMessage(*ended);
    testing::PtyPair replugged;
    Connect(replugged.SlavePath());
    m_connection.HandleMessage(*ended);
    EXPECT_TRUE(m_connection.IsOpen());
    EXPECT_EQ(m_owner.losses.size(), 1u);
}

TEST_F(Connection, WaitsForTheSamePathReopensItAndLogsAcrossTheLoss)
{
    const testing::ScratchFolder folder;
    const std::string link = folder / "ttyUSB-link", log = folder / "수신.bin";
    ASSERT_EQ(symlink(m_pty.SlavePath().c_str(), link.c_str()), 0);
    ASSERT_TRUE(m_connection.StartLog(log));
    Connect(link, 19200);
    ASSERT_TRUE(m_pty.Write("\x01\x02"));
    ASSERT_TRUE(HandleUntil([&] { return m_owner.shown == "01 02 "; }));

    m_pty.CloseMaster();
    ASSERT_TRUE(HandleUntil([&] { return m_connection.IsWaitingForDevice(); }));
    EXPECT_FALSE(m_connection.IsOpen());
    EXPECT_TRUE(m_owner.losses.empty());
    ASSERT_FALSE(m_owner.statuses.empty());
    EXPECT_EQ(m_owner.statuses.back(), "COM2 장치를 기다리는 중... (" + link + ")");

    // COM2 now names another device; the wait is for the path opened.
    testing::PtyPair other, returned;
    platform::SetPortAlias("COM2", other.SlavePath());
    ASSERT_EQ(unlink(link.c_str()), 0);
    ASSERT_EQ(symlink(returned.SlavePath().c_str(), link.c_str()), 0);
    ASSERT_TRUE(HandleUntil([&] { return m_connection.IsOpen(); }));
    EXPECT_FALSE(m_connection.IsWaitingForDevice());
    EXPECT_EQ(m_owner.statuses.back(), "COM2에 다시 접속했습니다.");
    EXPECT_EQ(TestPeer::Port(m_connection).QueryBaudRate(), 19200u);
    ASSERT_TRUE(returned.Write("\x03"));
    ASSERT_TRUE(HandleUntil([&] { return m_owner.shown == "01 02 03 "; }));

    m_connection.StopLog();
    EXPECT_FALSE(m_connection.IsLogging());
    EXPECT_EQ(testing::FileContents(log), "\x01\x02\x03");
    EXPECT_TRUE(m_owner.logFailures.empty());
    EXPECT_TRUE(m_owner.losses.empty());
}

TEST_F(Connection, BurstsDrainedTogetherKeepLinesOfTheirOwn)
{
    Connect();
    m_connection.SetTimestamps(true, std::chrono::milliseconds(1));
    // The first burst's notice is taken, so its arrival has been noted;
    // the second comes later than the gap and is noted too (its notice is
    // not queued while a drain is); one drain then reads both.
    ASSERT_TRUE(m_pty.Write("\x01\x02"));
    const auto first = m_owner.Take();
    ASSERT_TRUE(first);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(m_pty.Write("\x03"));
    ASSERT_TRUE(testing::WaitUntil([&] { return TestPeer::MessagesPosted(m_connection) >= 2; }));
    m_connection.HandleMessage(*first);
    ASSERT_TRUE(HandleUntil([&] { return m_owner.shown.find("03 ") != std::string::npos; }));
    EXPECT_TRUE(std::regex_match(m_owner.shown, std::regex("\n\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  01 02 "
                                                           "\n\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  03 ")))
        << m_owner.shown;
}

TEST_F(Connection, HeldNotificationsAreNotQueuedAndTheReleaseShowsTheirBytes)
{
    Connect();
    const DWORD mask = TestPeer::Port(m_connection).QueryEventMask();
    ASSERT_TRUE(m_connection.HoldNotices());
    // Held, the port reports a nearly full input queue instead of each
    // arrival; line errors and breaks still.
    EXPECT_EQ(TestPeer::Port(m_connection).QueryEventMask(), (mask & ~EV_RXCHAR) | EV_RX80FULL);
    ASSERT_TRUE(m_pty.Write("\x41\x42"));
    // Until the terminal has handed the bytes on (the port may also take
    // them later: then a notice after the release shows them).
    const int slave = open(m_pty.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(slave, 0);
    testing::WaitUntil([slave] {
        int waiting = 0;
        return ioctl(slave, FIONREAD, &waiting) == 0 && waiting == 0;
    });
    close(slave);
    EXPECT_FALSE(m_owner.Take(std::chrono::milliseconds(0)));
    // Drains during the hold show them and leave the hold on.
    EXPECT_TRUE(testing::WaitUntil([&] {
        m_connection.DrainHeld();
        return m_owner.shown == "41 42 ";
    })) << m_owner.shown;
    EXPECT_EQ(TestPeer::Port(m_connection).QueryEventMask(), (mask & ~EV_RXCHAR) | EV_RX80FULL);
    m_connection.ReleaseNotices();
    EXPECT_EQ(TestPeer::Port(m_connection).QueryEventMask(), mask);

    // Released, a notification is queued again, and a hold asked for while
    // it waits is refused: its handling drains.
    ASSERT_TRUE(m_pty.Write("\x43"));
    const auto message = m_owner.Take();
    ASSERT_TRUE(message);
    EXPECT_FALSE(m_connection.HoldNotices());
    m_connection.HandleMessage(*message);
    ASSERT_TRUE(HandleUntil([&] { return m_owner.shown.size() >= 9; }));
    EXPECT_EQ(m_owner.shown, "41 42 43 ");
}

TEST_F(Connection, AQueueFillingDuringAHoldEndsItAndShowsEveryByte)
{
    Connect();
    const DWORD mask = TestPeer::Port(m_connection).QueryEventMask();
    ASSERT_TRUE(m_connection.HoldNotices());
    // More than the queue the connection opens the port with: 80 % of it
    // ends the hold, the rest waits in the terminal.
    const std::string bytes = testing::CountingBytes(SerialConnection::kInputQueue + 4096);
    ASSERT_TRUE(m_pty.Write(bytes));
    const auto message = m_owner.Take();
    ASSERT_TRUE(message);
    EXPECT_NE(message->wParam & EV_RX80FULL, 0u);
    // With the queue full and more waiting, one drain takes at most a
    // queue's worth; the rest follows on notices.
    ASSERT_TRUE(testing::WaitUntil([&] {
        COMSTAT status{};
        return ClearCommError(TestPeer::Port(m_connection).Handle(), nullptr, &status) &&
               status.cbInQue == SerialConnection::kInputQueue;
    }));
    EXPECT_LE(m_connection.HandleMessage(*message), SerialConnection::kInputQueue + SerialConnection::kReadChunk);
    EXPECT_EQ(TestPeer::Port(m_connection).QueryEventMask(), mask);
    while (m_owner.shown.size() < bytes.size() * 3) {
        const auto more = m_owner.Take();
        ASSERT_TRUE(more) << m_owner.shown.size();
        m_connection.HandleMessage(*more);
    }
    std::string expected;
    SerialConnection::AppendHexPairs(expected, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_EQ(m_owner.shown, expected);
}

}  // namespace
}  // namespace tessaline::app

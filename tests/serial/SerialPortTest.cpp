// CSerialPort on pseudo-terminals: opening and closing, the virtual table
// and the closed port, with injected faults where a pty cannot fail.
#include "tests/serial/SerialFixtures.h"

#include <fcntl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace serialtest;

TEST_F(SerialPortTest, OpenOnAnOpenPortFailsAndLeavesItOpenAndUsable)
{
    TestPort& port = Opened();
    HANDLE handle = port.Handle();
    HANDLE event = port.IoEvent();
    EXPECT_EQ(port.Open(Path(), 0, 0, true), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(port.LastError(), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Handle(), handle);
    EXPECT_EQ(port.IoEvent(), event);
    EXPECT_EQ(port.WriteText("ok"), 0);
    EXPECT_EQ(m_pty.Read(2, kGenerousMs), "ok");
}

TEST_F(SerialPortTest, MissingOrHeldDeviceLeavesThePortClosedWithThePlatformCode)
{
    TestPort second;
    EXPECT_EQ(second.Open("/dev/tessaline-no-such-device", 0, 0, true), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Handle(), nullptr);  // never INVALID_HANDLE_VALUE
    EXPECT_EQ(second.IoEvent(), nullptr);
    TestPort& first = Opened();
    EXPECT_EQ(second.Open(Path(), 0, 0, true), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(Path(), 0, 0, true), 0);
}

TEST_F(SerialPortTest, CloseIsHarmlessWhenClosedAndCloseOrDestructionReleasesEverything)
{
    TestPort port;
    EXPECT_EQ(port.Close(), 0);
    const std::size_t fds = OpenFdCount();
    ASSERT_EQ(port.Open(Path(), 0, 0, true), 0);
    HANDLE event = port.IoEvent();
    port.SetLastErrorValue(5);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_EQ(port.LastError(), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.IoEvent(), nullptr);
    EXPECT_EQ(port.Close(), 0);
    EXPECT_TRUE(WaitUntil([&] { return OpenFdCount() == fds; }));
    SetLastError(kSentinel);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);  // the event was closed
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(DeviceFree());
    {
        TestPort destroyed;
        ASSERT_EQ(destroyed.Open(Path(), 0, 0, true), 0);
        event = destroyed.IoEvent();
    }
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_TRUE(DeviceFree());
}

TEST_F(SerialPortTest, OpenSetsTheEventMaskAndNonBlockingReads)
{
    for (bool overlapped : {false, true}) {
        TestPort port;
        ASSERT_EQ(port.Open(Path(), 0, 0, overlapped), 0);
        EXPECT_EQ(port.IoEvent() != nullptr, overlapped);
        EXPECT_EQ(port.QueryEventMask(), 0xC1u);
        DWORD deviceMask = 0;
        ASSERT_TRUE(GetCommMask(port.Handle(), &deviceMask));
        EXPECT_EQ(deviceMask, 0xC1u);
        const COMMTIMEOUTS timeouts = port.Timeouts();
        EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
        EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
    }
}

TEST_F(SerialPortTest, QueueSizesDecideWhetherSetupCommIsCalled)
{
    {
        FailNextCalls("SetupComm", ERROR_GEN_FAILURE);
        TestPort port;
        EXPECT_EQ(port.Open(Path(), 0, 0, true), 0);
        EXPECT_EQ(PendingFaults("SetupComm"), 1u);  // never called
    }
    for (auto sizes : {std::pair<DWORD, DWORD>{0, 4096}, {4096, 0}, {8192, 2048}}) {
        tessaline::platform::testing::ClearFaults();
        TestPort port;
        EXPECT_EQ(port.Open(Path(), sizes.first, sizes.second, true), 0);
        EXPECT_EQ(port.Close(), 0);
        FailNextCalls("SetupComm", ERROR_GEN_FAILURE);
        EXPECT_EQ(port.Open(Path(), sizes.first, sizes.second, true), static_cast<LONG>(ERROR_GEN_FAILURE));
        EXPECT_EQ(PendingFaults("SetupComm"), 0u);
    }
}

TEST_F(SerialPortTest, OpenAppliesTheDefaultConfigurationAndIgnoresItsFailures)
{
    const int probe = open(Path(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    for (const char* failing : {"", "GetDefaultCommConfigA", "SetCommConfig"}) {
        SCOPED_TRACE(failing);
        // The line as another program left it: 4800 baud, two stop bits.
        termios line{};
        ASSERT_EQ(tcgetattr(probe, &line), 0);
        cfsetspeed(&line, B4800);
        line.c_cflag |= CSTOPB;
        ASSERT_EQ(tcsetattr(probe, TCSANOW, &line), 0);
        if (*failing != '\0')
            FailNextCalls(failing, ERROR_GEN_FAILURE);
        TestPort port;
        EXPECT_EQ(port.Open(Path(), 0, 0, true), 0);
        EXPECT_EQ(PendingFaults(failing), 0u);
        const bool applied = *failing == '\0';
        EXPECT_EQ(port.QueryBaudRate(), applied ? 9600u : 4800u);
        EXPECT_EQ(port.QueryStopBits(), applied ? ONESTOPBIT : TWOSTOPBITS);
        EXPECT_EQ(port.QueryDataBits(), 8);
        EXPECT_EQ(port.QueryParity(), NOPARITY);
        EXPECT_EQ(port.State().fBinary, 1u);
    }
    close(probe);
}

TEST_F(SerialPortTest, AFailedEventMaskStepIsNotReportedAndKeepsTheOldMask)
{
    FailNextCalls("SetCommMask", ERROR_GEN_FAILURE);
    TestPort port;
    EXPECT_EQ(port.Open(Path(), 0, 0, true), 0);
    EXPECT_EQ(PendingFaults("SetCommMask"), 0u);
    EXPECT_EQ(port.QueryEventMask(), 0u);
}

// Calls that go through the virtual table reach a derived class's override.
class RecordingPort : public TestPort
{
public:
    std::vector<std::string> calls;

    LONG Close() override
    {
        calls.push_back("Close");
        return CSerialPort::Close();
    }
    LONG SetEventMask(DWORD mask) override
    {
        calls.push_back("SetEventMask " + std::to_string(mask));
        return CSerialPort::SetEventMask(mask);
    }
    LONG SetReadMode(int mode) override
    {
        calls.push_back("SetReadMode " + std::to_string(mode));
        return CSerialPort::SetReadMode(mode);
    }
    DWORD QueryEventMask() override
    {
        calls.push_back("QueryEventMask");
        return CSerialPort::QueryEventMask();
    }
    LONG Write(const void* data, DWORD length, DWORD* written, LPOVERLAPPED overlapped, DWORD timeoutMs) override
    {
        calls.push_back("Write " + std::to_string(length));
        return CSerialPort::Write(data, length, written, overlapped, timeoutMs);
    }
};

TEST_F(SerialPortTest, OperationsUseEachOtherThroughTheVirtualTable)
{
    RecordingPort port;
    ASSERT_EQ(port.Open(Path(), 0, 0, true), 0);
    EXPECT_EQ(port.calls, (std::vector<std::string>{"SetEventMask 193", "SetReadMode 0"}));

    port.calls.clear();
    EXPECT_EQ(port.SetTriggerChar('\r', true), 0);
    EXPECT_EQ(port.calls, (std::vector<std::string>{"QueryEventMask", "SetEventMask 195"}));

    port.calls.clear();
    EXPECT_EQ(port.WriteText("abc"), 0);
    EXPECT_EQ(port.calls, (std::vector<std::string>{"Write 3"}));
    port.Close();

    port.calls.clear();
    FailNextCalls("SetupComm", ERROR_INVALID_PARAMETER);
    EXPECT_EQ(port.Open(Path(), 4096, 4096, true), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.calls, (std::vector<std::string>{"Close"}));
}

TEST_F(SerialPortTest, EveryOperationOnAClosedPortFailsWithInvalidHandle)
{
    TestPort port;
    const LONG invalid = static_cast<LONG>(ERROR_INVALID_HANDLE);
    for (const PortCall& entry : kPortCalls) {
        port.SetLastErrorValue(77);
        EXPECT_EQ(entry.call(port), entry.failure == kTheError ? invalid : entry.failure) << entry.name;
        EXPECT_EQ(port.LastError(), invalid) << entry.name;
    }

    // Transfers zero the caller's count before anything else.
    char buffer[8] = {};
    DWORD count = 77;
    EXPECT_EQ(port.Write("abc", 3, &count), invalid);
    EXPECT_EQ(count, 0u);
    count = 77;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count), invalid);
    EXPECT_EQ(count, 0u);
    count = 77;
    EXPECT_EQ(port.WriteText("abc", &count), invalid);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace

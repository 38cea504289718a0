// CSerialPort on pseudo-terminals: opening and closing, settings, queries,
// transfers and their time-outs, with injected faults where a pty cannot fail.
#include "serial_test_support.h"

#include "platform/testing.h"
#include "tests/support/pty_pair.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace serialtest;
using tessaline::platform::testing::FailNextCalls;
using tessaline::platform::testing::FaultScope;
using tessaline::platform::testing::PendingFaults;
using tessaline::testing::OpenFdCount;
using tessaline::testing::PtyPair;

constexpr LONG kInvalidArg = static_cast<LONG>(0x80070057u);

class SerialPortTest : public ::testing::Test {
protected:
    const char* Path() const { return m_pty.SlavePath().c_str(); }
    // Opens `port` on the pty for overlapped I/O and checks it worked.
    void OpenOverlapped(TestPort& port) { ASSERT_EQ(port.Open(Path(), 0, 0, true), 0); }
    // True when nothing holds the device: another object can open it.
    bool DeviceFree()
    {
        TestPort other;
        return other.Open(Path(), 0, 0, false) == 0;
    }

    PtyPair m_pty;
    FaultScope m_faults;
};

// Opening and closing.

TEST_F(SerialPortTest, OpenOnAnOpenPortFailsAndLeavesItOpenAndUsable)
{
    TestPort port;
    OpenOverlapped(port);
    HANDLE handle = port.Handle();
    HANDLE event = port.IoEvent();
    EXPECT_EQ(port.Open(Path(), 0, 0, true), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(port.LastError(), static_cast<LONG>(ERROR_ALREADY_INITIALIZED));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.Handle(), handle);
    EXPECT_EQ(port.IoEvent(), event);
    EXPECT_EQ(port.WriteText("ok"), 0);
    EXPECT_EQ(m_pty.Read(2, kGenerousMs), (std::vector<std::uint8_t>{'o', 'k'}));
}

TEST_F(SerialPortTest, MissingDeviceLeavesThePortClosedWithThePlatformCode)
{
    TestPort port;
    EXPECT_EQ(port.Open("/dev/tessaline-no-such-device", 0, 0, true), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Handle(), nullptr);  // never INVALID_HANDLE_VALUE
    EXPECT_EQ(port.IoEvent(), nullptr);
}

TEST_F(SerialPortTest, SecondObjectCannotOpenAHeldDevice)
{
    TestPort first;
    OpenOverlapped(first);
    TestPort second;
    EXPECT_EQ(second.Open(Path(), 0, 0, true), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(Path(), 0, 0, true), 0);
}

TEST_F(SerialPortTest, CloseIsHarmlessWhenClosedAndReleasesEverything)
{
    TestPort port;
    EXPECT_EQ(port.Close(), 0);
    const std::size_t fds = OpenFdCount();
    OpenOverlapped(port);
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
}

TEST_F(SerialPortTest, DestructionClosesAnOpenPort)
{
    HANDLE event = nullptr;
    {
        TestPort port;
        OpenOverlapped(port);
        event = port.IoEvent();
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

// Each step of Open failing in turn, and the state it leaves.
struct OpenFailure {
    const char* function;
    DWORD error;
    DWORD queueSize;
    bool leftOpen;
    bool reported;  // Open returns the injected error
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const OpenFailure& c, std::ostream* os) { *os << c.function; }

class OpenFailurePaths : public SerialPortTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailurePaths, ReportTheStepsCodeAndLeaveTheRightState)
{
    const OpenFailure& failure = GetParam();
    const std::size_t fds = OpenFdCount();
    FailNextCalls(failure.function, failure.error);
    TestPort port;
    const LONG expected = failure.reported ? static_cast<LONG>(failure.error) : 0;
    EXPECT_EQ(port.Open(Path(), failure.queueSize, failure.queueSize, true), expected);
    EXPECT_EQ(port.LastError(), expected);
    EXPECT_EQ(PendingFaults(failure.function), 0u);
    EXPECT_EQ(port.IsOpen(), failure.leftOpen);
    EXPECT_EQ(port.IoEvent() != nullptr, failure.leftOpen);
    if (failure.leftOpen) {
        EXPECT_EQ(port.WriteText("z"), 0);  // open and usable
        EXPECT_EQ(m_pty.Read(1, kGenerousMs).size(), 1u);
        EXPECT_EQ(port.Close(), 0);
    }
    EXPECT_TRUE(WaitUntil([&] { return OpenFdCount() == fds; }));
    EXPECT_TRUE(DeviceFree());
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, OpenFailurePaths,
    ::testing::Values(OpenFailure{"CreateFileA", ERROR_ACCESS_DENIED, 0, false, true},
                      OpenFailure{"CreateEventA", ERROR_NOT_ENOUGH_MEMORY, 0, false, true},
                      OpenFailure{"SetupComm", ERROR_INVALID_PARAMETER, 4096, false, true},
                      OpenFailure{"SetCommMask", ERROR_GEN_FAILURE, 0, true, false},
                      OpenFailure{"GetCommTimeouts", ERROR_GEN_FAILURE, 0, true, true},
                      OpenFailure{"SetCommTimeouts", ERROR_INVALID_PARAMETER, 0, true, true}),
    [](const auto& info) { return std::string(info.param.function); });

TEST_F(SerialPortTest, AFailedEventMaskStepIsNotReportedAndKeepsTheOldMask)
{
    FailNextCalls("SetCommMask", ERROR_GEN_FAILURE);
    TestPort port;
    EXPECT_EQ(port.Open(Path(), 0, 0, true), 0);
    EXPECT_EQ(PendingFaults("SetCommMask"), 0u);
    EXPECT_EQ(port.QueryEventMask(), 0u);
}

// Calls that go through the virtual table reach a derived class's override.
class RecordingPort : public TestPort {
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

// The closed port.

TEST_F(SerialPortTest, EveryOperationOnAClosedPortFailsWithInvalidHandle)
{
    TestPort port;
    const LONG invalid = static_cast<LONG>(ERROR_INVALID_HANDLE);
    struct StatusCall {
        const char* name;
        std::function<LONG()> call;
    };
    OVERLAPPED overlapped{};
    const std::vector<StatusCall> statusCalls = {
        {"ConfigureLine", [&] { return port.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT); }},
        {"SetTriggerChar", [&] { return port.SetTriggerChar('x', true); }},
        {"SetEventMask", [&] { return port.SetEventMask(EV_RXCHAR); }},
        {"WaitForEvent", [&] { return port.WaitForEvent(); }},
        {"WaitForEvent record", [&] { return port.WaitForEvent(&overlapped, 0); }},
        {"SetFlowControl", [&] { return port.SetFlowControl(CSerialPort::FlowHardware); }},
        {"SetFlowControl bad", [&] { return port.SetFlowControl(3); }},
        {"SetReadMode", [&] { return port.SetReadMode(CSerialPort::ReadBlocking); }},
        {"SetReadMode bad", [&] { return port.SetReadMode(2); }},
    };
    for (const auto& entry : statusCalls) {
        port.SetLastErrorValue(77);
        EXPECT_EQ(entry.call(), invalid) << entry.name;
        EXPECT_EQ(port.LastError(), invalid) << entry.name;
    }

    struct QueryCall {
        const char* name;
        std::function<long long()> call;
        long long failure;
    };
    const std::vector<QueryCall> queries = {
        {"QueryBaudRate", [&] { return port.QueryBaudRate(); }, 0xFFFFFFFFll},
        {"QueryDataBits", [&] { return port.QueryDataBits(); }, -1},
        {"QueryParity", [&] { return port.QueryParity(); }, -1},
        {"QueryStopBits", [&] { return port.QueryStopBits(); }, -1},
        {"QueryFlowControl", [&] { return port.QueryFlowControl(); }, -1},
        {"QueryEventMask", [&] { return port.QueryEventMask(); }, 0},
        {"QueryTriggerChar", [&] { return port.QueryTriggerChar(); }, 0},
    };
    for (const auto& entry : queries) {
        port.SetLastErrorValue(77);
        EXPECT_EQ(entry.call(), entry.failure) << entry.name;
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

// Settings.

TEST_F(SerialPortTest, UnrecognisedModesAreRejectedAndChangeNothing)
{
    TestPort port;
    OpenOverlapped(port);
    const DCB before = port.State();
    EXPECT_EQ(port.SetFlowControl(3), kInvalidArg);
    EXPECT_EQ(port.LastError(), kInvalidArg);
    EXPECT_EQ(port.SetFlowControl(-1), kInvalidArg);
    const DCB after = port.State();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);

    const COMMTIMEOUTS timeoutsBefore = port.Timeouts();
    EXPECT_EQ(port.SetReadMode(2), kInvalidArg);
    EXPECT_EQ(port.LastError(), kInvalidArg);
    const COMMTIMEOUTS timeoutsAfter = port.Timeouts();
    EXPECT_EQ(std::memcmp(&timeoutsBefore, &timeoutsAfter, sizeof timeoutsBefore), 0);
}

TEST_F(SerialPortTest, ReadModesSetTheReadTimeoutsAndKeepTheWriteTimeouts)
{
    TestPort port;
    OpenOverlapped(port);
    COMMTIMEOUTS preset{MAXDWORD, 0, 0, 7, 11};
    ASSERT_TRUE(SetCommTimeouts(port.Handle(), &preset));
    struct Case {
        int mode;
        DWORD interval;
    };
    for (const Case& c : {Case{CSerialPort::ReadBlocking, 0}, Case{CSerialPort::ReadNonBlocking, MAXDWORD}}) {
        EXPECT_EQ(port.SetReadMode(c.mode), 0);
        const COMMTIMEOUTS timeouts = port.Timeouts();
        EXPECT_EQ(timeouts.ReadIntervalTimeout, c.interval);
        EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
        EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 7u);
        EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 11u);
    }
}

// Each flow mode's effect on the flag word, from two different starting words.
struct FlowCase {
    int mode;
    DWORD andMask;
    DWORD orMask;
};
void PrintTo(const FlowCase& c, std::ostream* os) { *os << "mode " << c.mode; }

class FlowControl : public SerialPortTest, public ::testing::WithParamInterface<FlowCase> {};

TEST_P(FlowControl, ChangesOnlyTheHandshakeFlagsAndReadsBack)
{
    const FlowCase& flow = GetParam();
    TestPort port;
    OpenOverlapped(port);
    // Every flag but fParity and fAbortOnError, with DTR and RTS enabled;
    // then only fBinary with both handshake controls.
    for (DWORD start : {0x1FDDu, 0x2021u}) {
        DCB preset = port.State();
        SetFlagWord(preset, start);
        preset.XonChar = 0x11;
        preset.XoffChar = 0x13;
        preset.XonLim = 100;
        preset.XoffLim = 200;
        ASSERT_TRUE(SetCommState(port.Handle(), &preset));
        const DCB before = port.State();
        EXPECT_EQ(port.SetFlowControl(flow.mode), 0);
        const DCB after = port.State();
        EXPECT_EQ(FlagWord(after), (FlagWord(before) & flow.andMask) | flow.orMask) << std::hex << start;
        EXPECT_EQ(after.XonChar, before.XonChar);
        EXPECT_EQ(after.XoffChar, before.XoffChar);
        EXPECT_EQ(after.XonLim, before.XonLim);
        EXPECT_EQ(after.XoffLim, before.XoffLim);
        EXPECT_EQ(after.BaudRate, before.BaudRate);
        EXPECT_EQ(port.QueryFlowControl(), flow.mode);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, FlowControl,
                         ::testing::Values(FlowCase{CSerialPort::FlowOff, 0xFFFFCCC3u, 0},
                                           FlowCase{CSerialPort::FlowHardware, 0xFFFFECEFu, 0x202Cu},
                                           FlowCase{CSerialPort::FlowSoftware, 0xFFFFCFC3u, 0x0300u}),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

TEST_F(SerialPortTest, QueryFlowControlDecidesHardwareFirstThenSoftware)
{
    TestPort port;
    OpenOverlapped(port);
    struct Case {
        DWORD dtr, rts, outX, inX;
        int expected;
    };
    const Case cases[] = {
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, 1, 1, CSerialPort::FlowHardware},
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, 0, 0, CSerialPort::FlowHardware},
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_ENABLE, 1, 1, CSerialPort::FlowSoftware},
        {DTR_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE, 0, 0, CSerialPort::FlowOff},
        {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 1, 0, CSerialPort::FlowOff},
        {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0, 0, CSerialPort::FlowOff},
    };
    for (const Case& c : cases) {
        DCB dcb = port.State();
        dcb.fDtrControl = c.dtr;
        dcb.fRtsControl = c.rts;
        dcb.fOutX = c.outX;
        dcb.fInX = c.inX;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        ASSERT_TRUE(SetCommState(port.Handle(), &dcb));
        EXPECT_EQ(port.QueryFlowControl(), c.expected) << c.dtr << " " << c.rts << " " << c.outX << c.inX;
        EXPECT_EQ(port.LastError(), 0);
    }
}

TEST_F(SerialPortTest, ConfigureLineSetsTheLineAndTheQueriesReadItBack)
{
    TestPort port;
    OpenOverlapped(port);
    EXPECT_EQ(port.ConfigureLine(19200, 8, NOPARITY, TWOSTOPBITS), 0);
    EXPECT_EQ(port.QueryBaudRate(), 19200u);
    EXPECT_EQ(port.QueryDataBits(), 8);
    EXPECT_EQ(port.QueryParity(), NOPARITY);
    EXPECT_EQ(port.QueryStopBits(), TWOSTOPBITS);
    EXPECT_EQ(port.State().fParity, 0u);
    EXPECT_EQ(port.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT), 0);
    EXPECT_EQ(port.QueryBaudRate(), 9600u);
    EXPECT_EQ(port.QueryStopBits(), ONESTOPBIT);
    EXPECT_EQ(port.LastError(), 0);
}

TEST_F(SerialPortTest, ConfigureLineTurnsParityCheckingOnWithAParity)
{
    TestPort port;
    OpenOverlapped(port);
    struct Case {
        LONG dataBits, parity;
        DWORD fParity;
    };
    for (const Case& c : {Case{7, EVENPARITY, 1}, Case{8, NOPARITY, 0}, Case{8, ODDPARITY, 1}, Case{8, NOPARITY, 0}}) {
        const DCB before = port.State();
        const LONG status = port.ConfigureLine(9600, c.dataBits, c.parity, ONESTOPBIT);
        if (status != 0) {
            // A pty may refuse parity: the device keeps its old line.
            EXPECT_EQ(port.State().fParity, before.fParity);
            continue;
        }
        const DCB after = port.State();
        EXPECT_EQ(after.fParity, c.fParity) << c.parity;
        // A pty forces no parity on the line; a real port reports the code.
        if (after.Parity == c.parity) {
            EXPECT_EQ(port.QueryParity(), c.parity);
        }
    }
}

TEST_F(SerialPortTest, QueryParityIsNoneWhileParityCheckingIsOff)
{
    TestPort port;
    OpenOverlapped(port);
    DCB dcb = port.State();
    dcb.Parity = EVENPARITY;
    dcb.fParity = 0;
    if (!SetCommState(port.Handle(), &dcb) || port.State().Parity != EVENPARITY)
        GTEST_SKIP() << "the device does not keep a parity code without parity checking";
    EXPECT_EQ(port.QueryParity(), NOPARITY);
    EXPECT_EQ(port.LastError(), 0);
}

TEST_F(SerialPortTest, RejectedLineSettingsReturnTheDevicesCodeAndKeepTheLine)
{
    TestPort port;
    OpenOverlapped(port);
    ASSERT_EQ(port.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT), 0);
    const DCB before = port.State();
    EXPECT_EQ(port.ConfigureLine(9600, 9, NOPARITY, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.ConfigureLine(9600, 8, 7, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.ConfigureLine(0, 8, NOPARITY, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.LastError(), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    const DCB after = port.State();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(SerialPortTest, TriggerCharAddsRxFlagToTheMaskOnlyWhenAsked)
{
    TestPort port;
    OpenOverlapped(port);
    ASSERT_EQ(port.QueryEventMask(), 0xC1u);
    EXPECT_EQ(port.SetTriggerChar('\r', true), 0);
    EXPECT_EQ(port.QueryEventMask(), 0xC3u);
    EXPECT_EQ(port.QueryTriggerChar(), '\r');
    EXPECT_EQ(port.State().EvtChar, '\r');
    EXPECT_EQ(port.SetTriggerChar('\n', false), 0);
    EXPECT_EQ(port.QueryEventMask(), 0xC3u);
    EXPECT_EQ(port.QueryTriggerChar(), '\n');

    ASSERT_EQ(port.SetEventMask(0xC1), 0);
    EXPECT_EQ(port.SetTriggerChar('x', false), 0);
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);  // left alone
}

TEST_F(SerialPortTest, TriggerCharReportsAFailedMaskButStillWritesTheCharacter)
{
    TestPort port;
    OpenOverlapped(port);
    FailNextCalls("SetCommMask", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.SetTriggerChar('#', true), static_cast<LONG>(ERROR_GEN_FAILURE));
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);
    EXPECT_EQ(port.QueryTriggerChar(), '#');
}

TEST_F(SerialPortTest, ARejectedEventMaskKeepsThePreviousMask)
{
    TestPort port;
    OpenOverlapped(port);
    EXPECT_EQ(port.SetEventMask(0x2000), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);
    FailNextCalls("SetCommMask", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.SetEventMask(EV_RXCHAR), static_cast<LONG>(ERROR_GEN_FAILURE));
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);
    EXPECT_EQ(port.SetEventMask(EV_RXCHAR | EV_TXEMPTY), 0);
    EXPECT_EQ(port.QueryEventMask(), EV_RXCHAR | EV_TXEMPTY);
}

TEST_F(SerialPortTest, AFailingDeviceReadIsReportedByEverySettingAndQuery)
{
    TestPort port;
    OpenOverlapped(port);
    const LONG gen = static_cast<LONG>(ERROR_GEN_FAILURE);
    struct Call {
        const char* name;
        std::function<long long()> call;
        long long failure;
    };
    const std::vector<Call> calls = {
        {"ConfigureLine", [&] { return port.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT); }, gen},
        {"SetTriggerChar", [&] { return port.SetTriggerChar('x', true); }, gen},
        {"SetFlowControl", [&] { return port.SetFlowControl(CSerialPort::FlowOff); }, gen},
        {"SetFlowControl bad mode", [&] { return port.SetFlowControl(9); }, gen},  // the read comes first
        {"QueryBaudRate", [&] { return port.QueryBaudRate(); }, 0xFFFFFFFFll},
        {"QueryDataBits", [&] { return port.QueryDataBits(); }, -1},
        {"QueryParity", [&] { return port.QueryParity(); }, -1},
        {"QueryStopBits", [&] { return port.QueryStopBits(); }, -1},
        {"QueryFlowControl", [&] { return port.QueryFlowControl(); }, -1},
        {"QueryTriggerChar", [&] { return port.QueryTriggerChar(); }, 0},
    };
    for (const auto& entry : calls) {
        FailNextCalls("GetCommState", ERROR_GEN_FAILURE);
        EXPECT_EQ(entry.call(), entry.failure) << entry.name;
        EXPECT_EQ(port.LastError(), gen) << entry.name;
    }
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);  // not read from the device
    FailNextCalls("GetCommTimeouts", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.SetReadMode(5), gen);  // the read comes before the mode test
}

// Transfers.

TEST_F(SerialPortTest, WriteAndReadMoveBytesWithOrWithoutACount)
{
    TestPort port;
    OpenOverlapped(port);
    EXPECT_EQ(port.Write("hello", 5), 0);
    EXPECT_EQ(m_pty.Read(5, kGenerousMs), (std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'}));

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
}

TEST_F(SerialPortTest, WriteTextSendsTheTextWithoutItsTerminator)
{
    TestPort port;
    OpenOverlapped(port);
    DWORD count = 0;
    EXPECT_EQ(port.WriteText("abc", &count), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(port.WriteText("", &count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(m_pty.Read(10, 300), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
}

TEST_F(SerialPortTest, AnEmptyWriteBehindAPendingWriteSucceedsAndKeepsThePortAlive)
{
    TestPort port;
    OpenOverlapped(port);
    const std::vector<char> big(1 << 20, 'x');  // far more than the pty holds
    OVERLAPPED first{};
    first.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED second{};
    second.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
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
    CloseHandle(first.hEvent);
    CloseHandle(second.hEvent);
}

TEST_F(SerialPortTest, ABlockingPortRefusesRecordsAndFiniteTimeouts)
{
    TestPort port;
    ASSERT_EQ(port.Open(Path(), 0, 0, false), 0);
    const LONG refused = static_cast<LONG>(ERROR_INVALID_FUNCTION);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
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
    CloseHandle(overlapped.hEvent);
}

TEST_F(SerialPortTest, ACallersRecordStartsTheRequestAndLeavesCompletionToTheCaller)
{
    TestPort port;
    OpenOverlapped(port);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    // A write that finishes at once signals the caller's event.
    DWORD count = 0;
    EXPECT_EQ(port.Write("ab", 2, &count, &overlapped), 0);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, kGenerousMs), WAIT_OBJECT_0);
    EXPECT_EQ(m_pty.Read(2, kGenerousMs).size(), 2u);

    // A blocking read with nothing there stays pending with the count 0.
    ASSERT_EQ(port.SetReadMode(CSerialPort::ReadBlocking), 0);
    char buffer[4];
    count = 77;
    overlapped = OVERLAPPED{0, 0, 0, 0, overlapped.hEvent};
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, &overlapped), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 100), WAIT_TIMEOUT);
    ASSERT_TRUE(m_pty.Write("wxyz"));
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, kGenerousMs), WAIT_OBJECT_0);
    DWORD moved = 0;
    EXPECT_TRUE(GetOverlappedResult(port.Handle(), &overlapped, &moved, FALSE));
    EXPECT_EQ(moved, 4u);
    EXPECT_EQ(std::string(buffer, 4), "wxyz");
    CloseHandle(overlapped.hEvent);
}

TEST_F(SerialPortTest, ARefusedRequestReportsThePlatformCodeWithTheCountZero)
{
    TestPort port;
    OpenOverlapped(port);
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
    TestPort port;
    OpenOverlapped(port);
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
}

TEST_F(SerialPortTest, AReadThatRunsOutWithPartOfItsBytesLosesNone)
{
    TestPort port;
    OpenOverlapped(port);
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
    TestPort port;
    OpenOverlapped(port);
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
}

}  // namespace

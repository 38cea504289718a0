// Line settings, time-outs and the default configuration of communications
// devices, injected faults and closed handles, on real pseudo-terminals.
#include "platform/FaultInjection.h"
#include "tests/platform/CommFixture.h"

#include <cstring>

namespace {

using namespace tessaline::testing;
using namespace tessaline::platform::testing;

using LineSettings = CommTest;

struct DcbChange : NamedCase
{
    void (*change)(DCB&);
};

const DcbChange kInvalidDcbs[] = {
    {"baud_zero", [](DCB& d) { d.BaudRate = 0; }},
    {"four_data_bits", [](DCB& d) { d.ByteSize = 4; }},
    {"nine_data_bits", [](DCB& d) { d.ByteSize = 9; }},
    {"parity_five", [](DCB& d) { d.Parity = 5; }},
    {"stop_bits_three", [](DCB& d) { d.StopBits = 3; }},
    {"one_and_half_stop_with_eight_bits",
     [](DCB& d) {
         d.StopBits = ONE5STOPBITS;
         d.ByteSize = 8;
     }},
    {"two_stop_with_five_bits",
     [](DCB& d) {
         d.StopBits = TWOSTOPBITS;
         d.ByteSize = 5;
     }},
    {"xon_equals_xoff",
     [](DCB& d) {
         d.fOutX = 1;
         d.XonChar = d.XoffChar = 0x11;
     }},
    {"dtr_control_three", [](DCB& d) { d.fDtrControl = 3; }},
};

class InvalidDcb : public LineSettings, public ::testing::WithParamInterface<DcbChange>
{};

TEST_P(InvalidDcb, IsRejectedWithNothingChanged)
{
    DCB before = Current();
    before.BaudRate = 4800;
    before.StopBits = TWOSTOPBITS;
    ASSERT_TRUE(SetCommState(m_port, &before));
    DCB changed = before;
    GetParam().change(changed);
    SetLastError(kSentinel);
    EXPECT_FALSE(SetCommState(m_port, &changed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    const DCB after = Current();
    EXPECT_EQ(std::memcmp(&after, &before, sizeof(DCB)), 0);
}

INSTANTIATE_TEST_SUITE_P(Fields, InvalidDcb, ::testing::ValuesIn(kInvalidDcbs), CaseName());

const DcbChange kRoundTrips[] = {
    {"baud_14400", [](DCB& d) { d.BaudRate = 14400; }},
    {"baud_56000", [](DCB& d) { d.BaudRate = 56000; }},
    {"baud_12345", [](DCB& d) { d.BaudRate = 12345; }},
    {"baud_115200_two_stop_bits",
     [](DCB& d) {
         d.BaudRate = 115200;
         d.StopBits = TWOSTOPBITS;
     }},
    {"hardware_flow",
     [](DCB& d) {
         d.fOutxCtsFlow = 1;
         d.fOutxDsrFlow = 1;
         d.fDtrControl = DTR_CONTROL_HANDSHAKE;
         d.fRtsControl = RTS_CONTROL_HANDSHAKE;
     }},
    {"software_flow",
     [](DCB& d) {
         d.fOutX = 1;
         d.fInX = 1;
         d.XonChar = 0x11;
         d.XoffChar = 0x13;
     }},
    {"software_flow_other_characters",
     [](DCB& d) {
         d.fOutX = 1;
         d.XonChar = 'Q';
         d.XoffChar = 'S';
     }},
    {"lines_off",
     [](DCB& d) {
         d.fDtrControl = DTR_CONTROL_DISABLE;
         d.fRtsControl = RTS_CONTROL_DISABLE;
     }},
    {"rts_toggle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }},
    {"kept_fields",
     [](DCB& d) {
         d.EvtChar = '\r';
         d.XonLim = 100;
         d.XoffLim = 200;
         d.ErrorChar = '?';
         d.EofChar = 0x1A;
         d.fDsrSensitivity = 1;
         d.fTXContinueOnXoff = 1;
         d.fErrorChar = 1;
         d.fNull = 1;
         d.fParity = 1;
     }},
};

class DcbRoundTrip : public LineSettings, public ::testing::WithParamInterface<DcbChange>
{};

TEST_P(DcbRoundTrip, ReadsBackWhatWasSet)
{
    DCB wanted = Current();
    GetParam().change(wanted);
    SetLastError(kSentinel);
    ASSERT_TRUE(SetCommState(m_port, &wanted)) << GetLastError();
    EXPECT_EQ(GetLastError(), kSentinel);
    const DCB got = Current();
    EXPECT_EQ(std::memcmp(&got, &wanted, sizeof(DCB)), 0);
    EXPECT_EQ(got.BaudRate, wanted.BaudRate);
}

INSTANTIATE_TEST_SUITE_P(Settings, DcbRoundTrip, ::testing::ValuesIn(kRoundTrips), CaseName());

TEST_F(LineSettings, ValuesThePtyForcesAreReadBackAsTheDeviceReportsThem)
{
    DCB dcb = Current();
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.fParity = 1;
    if (!SetCommState(m_port, &dcb)) {
        // Some kernels refuse parity on a pty outright.
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        return;
    }
    const DCB got = Current();
    EXPECT_EQ(got.ByteSize, 8);
    EXPECT_EQ(got.Parity, NOPARITY);
    EXPECT_EQ(got.fParity, 1u);
}

TEST_F(LineSettings, FreshDeviceReportsItsLineAndTakesEveryDtrAndRtsRequestWithoutModemLines)
{
    const DCB dcb = Current();
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_GT(dcb.BaudRate, 0u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    for (DWORD function : {SETDTR, CLRDTR, SETRTS, CLRRTS}) {
        SetLastError(kSentinel);
        EXPECT_TRUE(EscapeCommFunction(m_port, function)) << function;
        EXPECT_EQ(GetLastError(), kSentinel);
    }
    SetLastError(kSentinel);
    EXPECT_FALSE(EscapeCommFunction(m_port, 77));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DWORD status = 0;
    EXPECT_FALSE(GetCommModemStatus(m_port, &status));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST_F(LineSettings, TimeoutsReadBackAndAllMaxReadValuesAreRejected)
{
    COMMTIMEOUTS set{1, 2, 3, 4, 5};
    SetLastError(kSentinel);
    ASSERT_TRUE(SetCommTimeouts(m_port, &set));
    COMMTIMEOUTS got{};
    ASSERT_TRUE(GetCommTimeouts(m_port, &got));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(std::memcmp(&got, &set, sizeof set), 0);
    COMMTIMEOUTS bad{MAXDWORD, MAXDWORD, MAXDWORD, 0, 0};
    EXPECT_FALSE(SetCommTimeouts(m_port, &bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(GetCommTimeouts(m_port, &got));
    EXPECT_EQ(std::memcmp(&got, &set, sizeof set), 0);
}

TEST(DefaultConfig, Is9600EightNoneOneAndChecksSizes)
{
    PtyPair pty;
    COMMCONFIG config{};
    config.dwSize = sizeof config;
    DWORD size = sizeof config;
    SetLastError(kSentinel);
    ASSERT_TRUE(GetDefaultCommConfigA(pty.SlavePath().c_str(), &config, &size));
    EXPECT_EQ(GetLastError(), kSentinel);
    EXPECT_EQ(size, 52u);
    EXPECT_EQ(config.dwSize, 52u);
    EXPECT_EQ(config.dcb.BaudRate, 9600u);
    EXPECT_EQ(config.dcb.ByteSize, 8);
    EXPECT_EQ(config.dcb.Parity, NOPARITY);
    EXPECT_EQ(config.dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(config.dcb.fBinary, 1u);

    DWORD small = 20;
    EXPECT_FALSE(GetDefaultCommConfigA(pty.SlavePath().c_str(), &config, &small));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(small, 52u);
    size = sizeof config;
    EXPECT_FALSE(GetDefaultCommConfigA("/dev/tessaline-no-such-device", &config, &size));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    HANDLE port = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    config.dcb.BaudRate = 19200;
    EXPECT_FALSE(SetCommConfig(port, &config, 20));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(SetCommConfig(port, &config, size));
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    CloseHandle(port);
}

// What the calls below fill in; a pending wait's record lives as long as
// the calls' test.
struct CallArgs
{
    DCB dcb{};
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    char buffer[4];
    DWORD count;
    OVERLAPPED request{};
};

struct FaultCase : NamedCase
{
    BOOL (*call)(HANDLE port, CallArgs& a);
};

const FaultCase kFaultCases[] = {
    {"SetupComm", [](HANDLE p, CallArgs&) { return SetupComm(p, 4096, 4096); }},
    {"GetCommState", [](HANDLE p, CallArgs& a) { return GetCommState(p, &a.dcb); }},
    {"SetCommState", [](HANDLE p, CallArgs& a) { return GetCommState(p, &a.dcb), SetCommState(p, &a.dcb); }},
    {"SetCommMask", [](HANDLE p, CallArgs&) { return SetCommMask(p, EV_RXCHAR); }},
    {"ClearCommError", [](HANDLE p, CallArgs& a) { return ClearCommError(p, &a.count, nullptr); }},
    {"GetCommTimeouts", [](HANDLE p, CallArgs& a) { return GetCommTimeouts(p, &a.timeouts); }},
    {"SetCommTimeouts", [](HANDLE p, CallArgs& a) { return SetCommTimeouts(p, &a.timeouts); }},
    {"ReadFile", [](HANDLE p, CallArgs& a) { return ReadFile(p, a.buffer, 4, &a.count, &a.request); }},
    {"WriteFile", [](HANDLE p, CallArgs& a) { return WriteFile(p, "x", 1, &a.count, &a.request); }},
    {"WaitCommEvent",
     [](HANDLE p, CallArgs& a) -> BOOL {
         return SetCommMask(p, EV_RXCHAR), WaitCommEvent(p, &a.count, &a.request) || GetLastError() == ERROR_IO_PENDING;
     }},
};

class InjectedFault : public ::testing::TestWithParam<FaultCase>
{};

TEST_P(InjectedFault, FailsTheCallWithTheArmedErrorAndThenWorksAgain)
{
    PtyPair pty;
    HANDLE port = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    SetTimeouts(port, MAXDWORD, 0, 0);
    FaultScope scope;
    CallArgs args;
    FailNextCalls(GetParam().name, ERROR_GEN_FAILURE);
    EXPECT_FALSE(GetParam().call(port, args));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(GetParam().call(port, args)) << GetLastError();
    CancelIo(port);
    CloseHandle(port);
}

INSTANTIATE_TEST_SUITE_P(Calls, InjectedFault, ::testing::ValuesIn(kFaultCases), CaseName());

TEST(InjectedFault, CreateFileFailsWithTheArmedError)
{
    PtyPair pty;
    FaultScope scope;
    FailNextCalls("CreateFileA", ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenComm(pty.SlavePath(), true), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE port = OpenComm(pty.SlavePath(), true);
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
    CloseHandle(port);
}

TEST(ClosedHandle, EveryCallFailsWithInvalidHandle)
{
    PtyPair pty;
    HANDLE port = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(port));
    CallArgs args;
    for (const FaultCase& c : kFaultCases) {
        SetLastError(kSentinel);
        EXPECT_FALSE(c.call(port, args)) << c.name;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << c.name;
    }
}

}  // namespace

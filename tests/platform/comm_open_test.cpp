// Opening communications devices, line settings, time-out settings and the
// default configuration, on real pseudo-terminals.
#include "comm_fixture.h"
#include "platform/open_failure.h"
#include "platform/port_names.h"
#include "platform/testing.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace tessaline::testing;
using tessaline::platform::testing::FailNextCalls;
using tessaline::platform::testing::FaultScope;

using tessaline::platform::LastOpenFailure;
using tessaline::platform::OpenFailureKind;

struct OpenCase {
    const char* name;
    std::string path;  // empty: the pty slave; "@name": made in a scratch folder
    DWORD error;       // 0: the open succeeds
    OpenFailureKind kind;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class OpenDevice : public ::testing::TestWithParam<OpenCase> {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/tessaline-open-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override
    {
        chmod(m_folder.c_str(), 0700);
        for (const char* name : {"/file", "/fifo", "/locked/x", "/locked"})
            remove((m_folder + name).c_str());
        rmdir(m_folder.c_str());
    }
    // The path to open: a regular file, a FIFO, or a path under a folder
    // nobody may search.
    std::string Prepare(const std::string& path)
    {
        if (path == "@file")
            close(open((m_folder + "/file").c_str(), O_CREAT | O_WRONLY, 0600));
        else if (path == "@fifo")
            mkfifo((m_folder + "/fifo").c_str(), 0600);
        else if (path == "@locked")
            mkdir((m_folder + "/locked").c_str(), 0000);
        else
            return path;
        return m_folder + (path == "@locked" ? "/locked/x" : "/" + path.substr(1));
    }
    std::string m_folder;
};

TEST_P(OpenDevice, SucceedsOrFailsWithTheWindowsErrorAndTheReason)
{
    if (GetParam().kind == OpenFailureKind::Permission && geteuid() == 0)
        GTEST_SKIP() << "root passes every permission check";
    PtyPair pty;
    const std::string path = GetParam().path.empty() ? pty.SlavePath() : Prepare(GetParam().path);
    SetLastError(kSentinel);
    HANDLE port = OpenComm(path, true);
    if (GetParam().error == 0) {
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), kSentinel);
        EXPECT_EQ(LastOpenFailure().kind, OpenFailureKind::None);
        EXPECT_TRUE(CloseHandle(port));
    } else {
        EXPECT_EQ(port, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), GetParam().error);
        const auto failure = LastOpenFailure();
        EXPECT_EQ(failure.kind, GetParam().kind);
        // A port name reports the device it resolved to: here, whatever this
        // machine detects for COM9999, usually nothing.
        EXPECT_EQ(failure.path, tessaline::platform::ResolvePortName(path));
        EXPECT_NE(failure.systemError, 0);
        EXPECT_FALSE(failure.systemText.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenDevice,
    ::testing::Values(OpenCase{"pty", "", 0, OpenFailureKind::None},
                      OpenCase{"missing", "/dev/tessaline-no-such-device", ERROR_FILE_NOT_FOUND,
                               OpenFailureKind::NotFound},
                      OpenCase{"missing_com_port", "COM9999", ERROR_FILE_NOT_FOUND, OpenFailureKind::NotFound},
                      OpenCase{"not_a_terminal", "/dev/null", ERROR_NOT_SUPPORTED, OpenFailureKind::NotATerminal},
                      OpenCase{"directory", "/tmp", ERROR_ACCESS_DENIED, OpenFailureKind::NotATerminal},
                      OpenCase{"regular_file", "@file", ERROR_NOT_SUPPORTED, OpenFailureKind::NotATerminal},
                      OpenCase{"fifo", "@fifo", ERROR_NOT_SUPPORTED, OpenFailureKind::NotATerminal},
                      OpenCase{"no_permission", "@locked", ERROR_ACCESS_DENIED, OpenFailureKind::Permission}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Open, IsExclusiveUntilClosed)
{
    PtyPair pty;
    // One cycle first, so that helper threads the runtime starts with the
    // first thread (sanitizers have one) are counted in the baseline.
    CloseHandle(OpenComm(pty.SlavePath(), true));
    const std::size_t fdsBefore = OpenFdCount();
    const std::size_t threadsBefore = ThreadCount();
    HANDLE first = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    for (bool overlapped : {true, false}) {
        SetLastError(kSentinel);
        EXPECT_EQ(OpenComm(pty.SlavePath(), overlapped), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(LastOpenFailure().kind, OpenFailureKind::Busy);
        EXPECT_EQ(LastOpenFailure().path, pty.SlavePath());
    }
    // Another opener that does not go through CreateFileA is kept out too
    // (by the terminal's exclusive mode, or by the lock for root).
    const int other = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (other >= 0) {
        EXPECT_EQ(geteuid(), 0u) << "only root may pass the exclusive mode";
        close(other);
    }
    EXPECT_TRUE(CloseHandle(first));
    HANDLE again = OpenComm(pty.SlavePath(), false);
    ASSERT_NE(again, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(CloseHandle(again));
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == threadsBefore; }));
    EXPECT_EQ(OpenFdCount(), fdsBefore);
    // A plain opener gets in again once the device is closed.
    const int plain = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(plain, 0) << errno;
    if (plain >= 0)
        close(plain);
}

TEST(Open, CloseGivesBackTheTerminalSettingsFoundAtOpen)
{
    PtyPair pty;
    const int probe = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    termios before{};
    ASSERT_EQ(tcgetattr(probe, &before), 0);
    cfsetspeed(&before, B4800);
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(probe, TCSANOW, &before), 0);
    ASSERT_EQ(tcgetattr(probe, &before), 0);

    HANDLE port = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 12345;  // a custom rate, set through termios2
    dcb.StopBits = TWOSTOPBITS;
    ASSERT_TRUE(SetCommState(port, &dcb));
    EXPECT_TRUE(CloseHandle(port));

    termios after{};
    ASSERT_EQ(tcgetattr(probe, &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    EXPECT_EQ(std::memcmp(after.c_cc, before.c_cc, sizeof before.c_cc), 0);
    close(probe);
}

TEST(Open, RejectsCreationModesOtherThanOpenExisting)
{
    PtyPair pty;
    for (DWORD disposition : {CREATE_NEW, CREATE_ALWAYS, OPEN_ALWAYS, TRUNCATE_EXISTING}) {
        SetLastError(kSentinel);
        EXPECT_EQ(CreateFileA(pty.SlavePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
}

TEST(Open, PutsTheTerminalIntoRawModeWithErrorMarking)
{
    PtyPair pty;
    HANDLE port = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    // Another descriptor of the same terminal sees its settings (root can
    // open it despite the exclusive mode; others use the pair's own slave).
    termios settings{};
    const int probe = open(pty.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(tcgetattr(probe >= 0 ? probe : pty.MasterFd(), &settings), 0);
    if (probe >= 0) {
        EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
        EXPECT_EQ(settings.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP | IGNBRK | BRKINT), 0u);
        EXPECT_NE(settings.c_iflag & PARMRK, 0u);
        EXPECT_EQ(settings.c_oflag & OPOST, 0u);
        close(probe);
    }
    // End to end: CR and LF pass unchanged both ways and nothing is echoed.
    ASSERT_TRUE(SetTimeouts(port, MAXDWORD, 0, 0));
    ASSERT_TRUE(pty.Write(std::string("a\rb\n\x03", 5)));
    ASSERT_TRUE(WaitUntil([&] { return QueuedBytes(port) == 5; }));
    char buffer[8] = {};
    DWORD count = 0;
    OVERLAPPED overlapped{};
    ASSERT_TRUE(ReadFile(port, buffer, sizeof buffer, &count, &overlapped));
    EXPECT_EQ(std::string(buffer, count), std::string("a\rb\n\x03", 5));
    EXPECT_TRUE(pty.Read(1, 100).empty()) << "echoed";
    ASSERT_TRUE(WriteFile(port, "x\ny", 3, &count, &overlapped));
    EXPECT_EQ(pty.Read(3, 2000), (std::vector<std::uint8_t>{'x', '\n', 'y'}));
    CloseHandle(port);
}

class LineSettings : public CommTest {
protected:
    DCB Current()
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        EXPECT_TRUE(GetCommState(m_port, &dcb));
        return dcb;
    }
};

struct InvalidDcbCase {
    const char* name;
    void (*change)(DCB&);
};
void PrintTo(const InvalidDcbCase& c, std::ostream* os) { *os << c.name; }

const InvalidDcbCase kInvalidDcbs[] = {
    {"baud_zero", [](DCB& d) { d.BaudRate = 0; }},
    {"four_data_bits", [](DCB& d) { d.ByteSize = 4; }},
    {"nine_data_bits", [](DCB& d) { d.ByteSize = 9; }},
    {"parity_five", [](DCB& d) { d.Parity = 5; }},
    {"stop_bits_three", [](DCB& d) { d.StopBits = 3; }},
    {"one_and_half_stop_with_eight_bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; d.ByteSize = 8; }},
    {"two_stop_with_five_bits", [](DCB& d) { d.StopBits = TWOSTOPBITS; d.ByteSize = 5; }},
    {"xon_equals_xoff", [](DCB& d) { d.fOutX = 1; d.XonChar = d.XoffChar = 0x11; }},
    {"dtr_control_three", [](DCB& d) { d.fDtrControl = 3; }},
};

class InvalidDcb : public LineSettings, public ::testing::WithParamInterface<InvalidDcbCase> {};

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

INSTANTIATE_TEST_SUITE_P(Fields, InvalidDcb, ::testing::ValuesIn(kInvalidDcbs),
                         [](const auto& info) { return std::string(info.param.name); });

struct RoundTripCase {
    const char* name;
    void (*change)(DCB&);
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

const RoundTripCase kRoundTrips[] = {
    {"baud_14400", [](DCB& d) { d.BaudRate = 14400; }},
    {"baud_56000", [](DCB& d) { d.BaudRate = 56000; }},
    {"baud_12345", [](DCB& d) { d.BaudRate = 12345; }},
    {"baud_115200_two_stop_bits", [](DCB& d) { d.BaudRate = 115200; d.StopBits = TWOSTOPBITS; }},
    {"hardware_flow", [](DCB& d) {
         d.fOutxCtsFlow = 1; d.fOutxDsrFlow = 1;
         d.fDtrControl = DTR_CONTROL_HANDSHAKE; d.fRtsControl = RTS_CONTROL_HANDSHAKE;
     }},
    {"software_flow", [](DCB& d) { d.fOutX = 1; d.fInX = 1; d.XonChar = 0x11; d.XoffChar = 0x13; }},
    {"software_flow_other_characters", [](DCB& d) { d.fOutX = 1; d.XonChar = 'Q'; d.XoffChar = 'S'; }},
    {"lines_off", [](DCB& d) { d.fDtrControl = DTR_CONTROL_DISABLE; d.fRtsControl = RTS_CONTROL_DISABLE; }},
    {"rts_toggle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }},
    {"kept_fields", [](DCB& d) {
         d.EvtChar = '\r'; d.XonLim = 100; d.XoffLim = 200; d.ErrorChar = '?'; d.EofChar = 0x1A;
         d.fDsrSensitivity = 1; d.fTXContinueOnXoff = 1; d.fErrorChar = 1; d.fNull = 1; d.fParity = 1;
     }},
};

class DcbRoundTrip : public LineSettings, public ::testing::WithParamInterface<RoundTripCase> {};

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

INSTANTIATE_TEST_SUITE_P(Settings, DcbRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(LineSettings, FreshDeviceReportsBinaryModeAndItsLineSettings)
{
    const DCB dcb = Current();
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_GT(dcb.BaudRate, 0u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
}

TEST_F(LineSettings, EveryDtrAndRtsRequestSucceedsOnADeviceWithoutModemLines)
{
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

struct FaultCase {
    const char* function;
    BOOL (*call)(HANDLE port);
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.function; }

const FaultCase kFaultCases[] = {
    {"SetupComm", [](HANDLE p) { return SetupComm(p, 4096, 4096); }},
    {"GetCommState", [](HANDLE p) { DCB d{}; return GetCommState(p, &d); }},
    {"SetCommState", [](HANDLE p) { DCB d{}; GetCommState(p, &d); return SetCommState(p, &d); }},
    {"SetCommMask", [](HANDLE p) { return SetCommMask(p, EV_RXCHAR); }},
    {"ClearCommError", [](HANDLE p) { DWORD e; return ClearCommError(p, &e, nullptr); }},
    {"GetCommTimeouts", [](HANDLE p) { COMMTIMEOUTS t{}; return GetCommTimeouts(p, &t); }},
    {"SetCommTimeouts", [](HANDLE p) { COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 0}; return SetCommTimeouts(p, &t); }},
    {"ReadFile", [](HANDLE p) { char b[4]; DWORD n; OVERLAPPED o{}; return ReadFile(p, b, 4, &n, &o); }},
    {"WriteFile", [](HANDLE p) { DWORD n; OVERLAPPED o{}; return WriteFile(p, "x", 1, &n, &o); }},
    {"WaitCommEvent", [](HANDLE p) {
         // Cancelled by the test after the call: the record must outlive it.
         static DWORD events;
         static OVERLAPPED o;
         SetCommMask(p, EV_RXCHAR);
         return (WaitCommEvent(p, &events, &o) || GetLastError() == ERROR_IO_PENDING) ? TRUE : FALSE;
     }},
};

class InjectedFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(InjectedFault, FailsTheCallWithTheArmedErrorAndThenWorksAgain)
{
    PtyPair pty;
    HANDLE port = OpenComm(pty.SlavePath(), true);
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    SetTimeouts(port, MAXDWORD, 0, 0);
    FaultScope scope;
    FailNextCalls(GetParam().function, ERROR_GEN_FAILURE);
    EXPECT_FALSE(GetParam().call(port));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_TRUE(GetParam().call(port)) << GetLastError();
    CancelIo(port);
    CloseHandle(port);
}

INSTANTIATE_TEST_SUITE_P(Calls, InjectedFault, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.function); });

TEST(Open, EmptyOrNullNameIsNotFound)
{
    SetLastError(kSentinel);
    EXPECT_EQ(OpenComm("", true), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

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
    for (const FaultCase& c : kFaultCases) {
        SetLastError(kSentinel);
        EXPECT_FALSE(c.call(port)) << c.function;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << c.function;
    }
}

}  // namespace

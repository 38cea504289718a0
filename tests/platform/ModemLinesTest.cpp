// Modem lines through the Win32 calls, on pseudo-terminals given lines by
// the modem shim (tools/modemshim): ctest preloads it; each test process
// keeps the shim's state file in a folder of its own.
#include "tests/platform/CommFixture.h"
#include "tests/support/ScratchFolder.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

// An AddressSanitizer build wants its runtime first among the loaded
// libraries, but the shim is preloaded before it; the shim's calls go on to
// the runtime's, so the order does no harm here. (Unused elsewhere.)
extern "C" const char* __asan_default_options()
{
    return "verify_asan_link_order=0";
}

namespace {

using namespace tessaline::testing;

std::string g_statePath;

// Names the state file for the shim before any test opens a device.
class StateFolder : public ::testing::Environment
{
public:
    void SetUp() override
    {
        m_folder = std::make_unique<ScratchFolder>();
        g_statePath = *m_folder / "state";
        m_folder->SetEnv("TESSALINE_MODEM_STATE", g_statePath);
    }
    void TearDown() override { m_folder.reset(); }

private:
    std::unique_ptr<ScratchFolder> m_folder;
};
const auto* const g_stateFolder = ::testing::AddGlobalTestEnvironment(new StateFolder);

using Lines = std::map<std::string, int>;

Lines Parse(const std::string& text)
{
    Lines lines;
    std::istringstream tokens(text);
    std::string token;
    while (tokens >> token) {
        const auto equals = token.find('=');
        if (equals != std::string::npos)
            lines[token.substr(0, equals)] = std::stoi(token.substr(equals + 1));
    }
    return lines;
}

// Changes the lines `changes` names ("CTS=1 DSR=0") as a test script would:
// under the shim's lock, by renaming a complete new file over the old one.
void ChangeLines(const std::string& changes)
{
    const int lock = open((g_statePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    Lines lines = Parse(FileContents(g_statePath));
    for (const auto& [name, value] : Parse(changes))
        lines[name] = value;
    const std::string temporary = g_statePath + ".test";
    {
        std::ofstream file(temporary);
        for (const char* name : {"DTR", "RTS", "CTS", "DSR", "RI", "DCD"})
            file << name << '=' << lines[name] << ' ';
        file << '\n';
    }
    EXPECT_EQ(std::rename(temporary.c_str(), g_statePath.c_str()), 0);
    close(lock);
}

// A pty with modem lines, all off before the device opens.
class ModemLines : public CommTest
{
protected:
    void SetUp() override
    {
        std::remove(g_statePath.c_str());
        ChangeLines("DTR=0 RTS=0 CTS=0 DSR=0 RI=0 DCD=0");
        OpenPort(true);
    }
};

TEST_F(ModemLines, OutputLinesFollowEscapesAndTheDcb)
{
    struct Step
    {
        const char* name;
        BOOL (*call)(HANDLE port);
        int dtr, rts;
    };
    const Step steps[] = {
        {"open", [](HANDLE) { return TRUE; }, 1, 1},
        {"CLRDTR", [](HANDLE p) { return EscapeCommFunction(p, CLRDTR); }, 0, 1},
        {"CLRRTS", [](HANDLE p) { return EscapeCommFunction(p, CLRRTS); }, 0, 0},
        {"SETDTR", [](HANDLE p) { return EscapeCommFunction(p, SETDTR); }, 1, 0},
        {"SETRTS", [](HANDLE p) { return EscapeCommFunction(p, SETRTS); }, 1, 1},
        {"SETBREAK", [](HANDLE p) { return EscapeCommFunction(p, SETBREAK); }, 1, 1},
        {"CLRBREAK", [](HANDLE p) { return EscapeCommFunction(p, CLRBREAK); }, 1, 1},
        {"dcb_dtr_disabled",
         [](HANDLE p) {
             DCB dcb{};
             GetCommState(p, &dcb);
             dcb.fDtrControl = DTR_CONTROL_DISABLE;
             dcb.fRtsControl = RTS_CONTROL_ENABLE;
             return SetCommState(p, &dcb);
         },
         0, 1},
    };
    for (const Step& step : steps) {
        SetLastError(kSentinel);
        EXPECT_TRUE(step.call(m_port)) << step.name << ": error " << GetLastError();
        EXPECT_EQ(GetLastError(), kSentinel) << step.name;
        Lines lines = Parse(FileContents(g_statePath));
        EXPECT_EQ(lines["DTR"], step.dtr) << step.name;
        EXPECT_EQ(lines["RTS"], step.rts) << step.name;
    }
}

TEST_F(ModemLines, ModemStatusReportsTheInputLines)
{
    const std::pair<const char*, DWORD> rows[] = {
        {"CTS=0 DSR=0 RI=0 DCD=0", 0},
        {"CTS=1 DCD=1", MS_CTS_ON | MS_RLSD_ON},
        {"CTS=0 DSR=1 RI=1 DCD=0 DTR=1 RTS=1", MS_DSR_ON | MS_RING_ON},
    };
    for (const auto& [lines, expected] : rows) {
        ChangeLines(lines);
        DWORD status = kSentinel;
        SetLastError(kSentinel);
        ASSERT_TRUE(GetCommModemStatus(m_port, &status)) << "error " << GetLastError() << "; is the shim preloaded?";
        EXPECT_EQ(GetLastError(), kSentinel);
        EXPECT_EQ(status, expected) << lines;
    }
}

struct LineStep
{
    DWORD mask;  // set before the wait; 0 keeps the mask
    const char* lines;
    DWORD events;
};
struct LineEventCase : NamedCase
{
    const char* before;  // the lines before the first mask is set
    std::vector<LineStep> steps;
};

class LineEvents : public ModemLines, public ::testing::WithParamInterface<LineEventCase>
{};

TEST_P(LineEvents, CompleteAPendingWait)
{
    ChangeLines(GetParam().before);
    for (const LineStep& step : GetParam().steps) {
        if (step.mask != 0) {
            ASSERT_TRUE(SetCommMask(m_port, step.mask)) << GetLastError();
        }
        DWORD events = kSentinel;
        OVERLAPPED wait = Fresh();
        ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait)) << "the history was empty";
        ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
        ChangeLines(step.lines);
        ASSERT_EQ(WaitForSingleObject(m_event, 10000), WAIT_OBJECT_0) << step.lines;
        DWORD count = kSentinel;
        EXPECT_TRUE(GetOverlappedResult(m_port, &wait, &count, FALSE));
        EXPECT_EQ(events, step.events) << step.lines;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineEvents,
    ::testing::Values(
        LineEventCase{"cts_both_ways", "CTS=0", {{EV_CTS, "CTS=1", EV_CTS}, {0, "CTS=0", EV_CTS}}},
        LineEventCase{"dsr_and_rlsd", "DSR=0 DCD=1", {{EV_DSR | EV_RLSD, "DSR=1", EV_DSR}, {0, "DCD=0", EV_RLSD}}},
        // The ring's leading edge is no event; CTS tells when it was seen.
        LineEventCase{
            "ring_on_trailing_edge", "RI=0 CTS=0", {{EV_RING | EV_CTS, "RI=1 CTS=1", EV_CTS}, {0, "RI=0", EV_RING}}},
        LineEventCase{
            "lines_outside_the_mask_are_not_recorded", "", {{EV_RXCHAR | EV_CTS, "DSR=1 DCD=1 RI=1 CTS=1", EV_CTS}}},
        LineEventCase{"mask_moves_to_another_line", "", {{EV_CTS, "CTS=1", EV_CTS}, {EV_DSR, "CTS=0 DSR=1", EV_DSR}}}),
    CaseName());

TEST_F(ModemLines, ClosingTheHandleEndsAWatchThatWaitsWithoutCpu)
{
    ClosePort();
    const std::size_t threads = ThreadCount();
    OpenPort(true);
    ASSERT_TRUE(SetCommMask(m_port, EV_CTS | EV_RING));
    DWORD events = kSentinel;
    OVERLAPPED wait = Fresh();
    ASSERT_FALSE(WaitCommEvent(m_port, &events, &wait));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    const long long cpuBefore = ProcessCpuMicroseconds();
    EXPECT_EQ(WaitForSingleObject(m_event, 500), WAIT_TIMEOUT);
    EXPECT_LE(ProcessCpuMicroseconds() - cpuBefore, 10000) << "at most one 10 ms tick while the lines are quiet";
    ASSERT_TRUE(CloseHandle(m_port));
    m_port = INVALID_HANDLE_VALUE;
    EXPECT_EQ(wait.Internal, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(events, 0u);
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() <= threads; })) << "the watch and service threads end";
}

}  // namespace

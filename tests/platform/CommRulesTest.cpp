// The device's line-setting and time-out rules as pure functions, from case
// tables, with no device: what a pseudo-terminal cannot show (parity, data
// bits) and every time-out rule without waiting for one.
#include "platform/posix/CommSettings.h"
#include "platform/posix/CommTimeouts.h"
#include "tests/support/NamedCases.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using namespace tessaline::platform;
using std::chrono::milliseconds;
using namespace tessaline::testing;

struct PlanCase : NamedCase
{
    COMMTIMEOUTS timeouts;
    DWORD length;
    bool valid;
    bool returnAtOnce;
    bool anyByteCompletes;
    long long totalMs;  // 0: none
    long long intervalMs;
    long long writeMs;
};

const PlanCase kPlans[] = {
    {"none", {0, 0, 0, 0, 0}, 10, true, false, false, 0, 0, 0},
    {"return_at_once", {MAXDWORD, 0, 0, 0, 0}, 10, true, true, false, 0, 0, 0},
    // Waits up to the constant for the first byte: never "at once".
    {"maxdword_interval_with_constant", {MAXDWORD, 0, 100, 0, 0}, 10, true, false, false, 100, 0, 0},
    {"any_byte_completes", {MAXDWORD, MAXDWORD, 120, 0, 0}, 10, true, false, true, 120, 0, 0},
    {"any_byte_rule_needs_a_finite_constant", {MAXDWORD, MAXDWORD, 0, 0, 0}, 10, true, false, false, 0, 0, 0},
    {"all_maxdword_refused", {MAXDWORD, MAXDWORD, MAXDWORD, 0, 0}, 10, false, false, false, 0, 0, 0},
    {"interval_only", {80, 0, 0, 0, 0}, 10, true, false, false, 0, 80, 0},
    {"total_from_multiplier_and_constant", {20, 10, 100, 3, 50}, 7, true, false, false, 170, 20, 71},
    {"total_beyond_a_month_is_none", {0, MAXDWORD, MAXDWORD, MAXDWORD, 0}, 2, true, false, false, 0, 0, 0},
};

class TimeoutPlan : public ::testing::TestWithParam<PlanCase>
{};

TEST_P(TimeoutPlan, FollowsTheRules)
{
    const PlanCase& c = GetParam();
    EXPECT_EQ(AreValidTimeouts(c.timeouts), c.valid);
    const ReadPlan plan = PlanRead(c.timeouts, c.length);
    EXPECT_EQ(plan.returnAtOnce, c.returnAtOnce);
    EXPECT_EQ(plan.anyByteCompletes, c.anyByteCompletes);
    EXPECT_EQ(plan.total, milliseconds(c.totalMs));
    EXPECT_EQ(plan.interval, milliseconds(c.intervalMs));
    EXPECT_EQ(PlanWrite(c.timeouts, c.length), milliseconds(c.writeMs));
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeoutPlan, ::testing::ValuesIn(kPlans), CaseName());

struct LineCase : NamedCase
{
    TtyLineSettings line;  // what the terminal holds
};

const LineCase kLines[] = {
    {"seven_even_two_stop", {19200, 7, EVENPARITY, TWOSTOPBITS, false, false, false, 0x11, 0x13}},
    {"five_mark_one_and_half", {110, 5, MARKPARITY, ONE5STOPBITS, false, false, false, 0x11, 0x13}},
    {"rts_cts", {56000, 8, NOPARITY, ONESTOPBIT, true, false, false, 0x11, 0x13}},
    {"xon_xoff_own_characters", {14400, 8, SPACEPARITY, ONESTOPBIT, false, true, true, 'Q', 'S'}},
};

class LineTranslation : public ::testing::TestWithParam<LineCase>
{};

// Every field of a line's settings, for comparing two.
auto Fields(const TtyLineSettings& line)
{
    return std::tuple(line.baudRate, line.byteSize, line.parity, line.stopBits, line.rtsCtsFlow, line.outputXonXoff,
                      line.inputXonXoff, line.xonChar, line.xoffChar);
}

TEST_P(LineTranslation, GoesBothWaysAndKeepsWhatTheTerminalDoesNotHold)
{
    const TtyLineSettings& line = GetParam().line;
    const DCB opened = DcbOfOpenedLine(line);
    EXPECT_EQ(opened.DCBlength, sizeof(DCB));
    EXPECT_EQ(opened.fBinary, 1u);
    EXPECT_EQ(opened.fParity, line.parity != NOPARITY ? 1u : 0u);
    EXPECT_EQ(opened.fOutxCtsFlow, line.rtsCtsFlow ? 1u : 0u);
    EXPECT_EQ(opened.fRtsControl, line.rtsCtsFlow ? DWORD{RTS_CONTROL_HANDSHAKE} : DWORD{RTS_CONTROL_ENABLE});

    EXPECT_EQ(Fields(LineFromDcb(opened)), Fields(line));

    // A query reports the terminal's fields over the stored DCB; parity
    // checking, handshaking and the rest stay as they were stored.
    DCB stored = DefaultDcb();
    stored.fParity = 0;
    stored.fOutxCtsFlow = 1;
    stored.EvtChar = '\r';
    stored.XonLim = 100;
    const DCB reported = DcbFromLine(stored, line);
    EXPECT_EQ(reported.fParity, 0u);
    EXPECT_EQ(reported.fOutxCtsFlow, 1u);
    EXPECT_EQ(reported.EvtChar, '\r');
    EXPECT_EQ(reported.XonLim, 100);
    EXPECT_EQ(reported.Parity, line.parity);
    EXPECT_EQ(reported.ByteSize, line.byteSize);
    EXPECT_EQ(reported.fOutX, line.outputXonXoff ? 1u : 0u);
    EXPECT_TRUE(IsValidDcb(reported));
}

INSTANTIATE_TEST_SUITE_P(Cases, LineTranslation, ::testing::ValuesIn(kLines), CaseName());

}  // namespace

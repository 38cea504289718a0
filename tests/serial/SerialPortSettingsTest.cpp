// CSerialPort settings and queries on pseudo-terminals: modes, flow control,
// line settings, the trigger character and the event mask.
#include "tests/serial/SerialFixtures.h"

namespace {

using namespace serialtest;

constexpr LONG kInvalidArg = static_cast<LONG>(0x80070057u);

TEST_F(SerialPortTest, UnrecognisedModesAreRejectedAndChangeNothing)
{
    TestPort& port = Opened();
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
    TestPort& port = Opened();
    COMMTIMEOUTS preset{MAXDWORD, 0, 0, 7, 11};
    ASSERT_TRUE(SetCommTimeouts(port.Handle(), &preset));
    using Row = std::pair<int, DWORD>;  // mode, read interval
    for (const auto& [mode, interval] :
         {Row{CSerialPort::ReadBlocking, 0}, Row{CSerialPort::ReadNonBlocking, MAXDWORD}}) {
        EXPECT_EQ(port.SetReadMode(mode), 0);
        const COMMTIMEOUTS timeouts = port.Timeouts();
        EXPECT_EQ(timeouts.ReadIntervalTimeout, interval);
        EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
        EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 7u);
        EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 11u);
    }
}

// Each flow mode's effect on the flag word, from two different starting words.
struct FlowCase : NamedCase
{
    int mode;
    DWORD andMask;
    DWORD orMask;
};

class FlowControl : public SerialPortTest, public ::testing::WithParamInterface<FlowCase>
{};

TEST_P(FlowControl, ChangesOnlyTheHandshakeFlagsAndReadsBack)
{
    const FlowCase& flow = GetParam();
    TestPort& port = Opened();
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
        // The other fields stay: XON and XOFF characters and limits, the rate.
        EXPECT_EQ(std::tuple(after.XonChar, after.XoffChar, after.XonLim, after.XoffLim, after.BaudRate),
                  std::tuple(before.XonChar, before.XoffChar, before.XonLim, before.XoffLim, before.BaudRate));
        EXPECT_EQ(port.QueryFlowControl(), flow.mode);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, FlowControl,
                         ::testing::Values(FlowCase{"Off", CSerialPort::FlowOff, 0xFFFFCCC3u, 0},
                                           FlowCase{"Hardware", CSerialPort::FlowHardware, 0xFFFFECEFu, 0x202Cu},
                                           FlowCase{"Software", CSerialPort::FlowSoftware, 0xFFFFCFC3u, 0x0300u}),
                         CaseName());

TEST_F(SerialPortTest, QueryFlowControlDecidesHardwareFirstThenSoftware)
{
    TestPort& port = Opened();
    // DTR and RTS control, output and input XON/XOFF, the mode reported.
    const std::tuple<DWORD, DWORD, DWORD, DWORD, int> cases[] = {
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, 1, 1, CSerialPort::FlowHardware},
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, 0, 0, CSerialPort::FlowHardware},
        {DTR_CONTROL_HANDSHAKE, RTS_CONTROL_ENABLE, 1, 1, CSerialPort::FlowSoftware},
        {DTR_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE, 0, 0, CSerialPort::FlowOff},
        {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 1, 0, CSerialPort::FlowOff},
        {DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0, 0, CSerialPort::FlowOff},
    };
    for (const auto& [dtr, rts, outX, inX, expected] : cases) {
        DCB dcb = port.State();
        dcb.fDtrControl = dtr;
        dcb.fRtsControl = rts;
        dcb.fOutX = outX;
        dcb.fInX = inX;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        ASSERT_TRUE(SetCommState(port.Handle(), &dcb));
        EXPECT_EQ(port.QueryFlowControl(), expected) << dtr << " " << rts << " " << outX << inX;
        EXPECT_EQ(port.LastError(), 0);
    }
}

TEST_F(SerialPortTest, ConfigureLineSetsTheLineOrReturnsTheDevicesCodeAndKeepsIt)
{
    TestPort& port = Opened();
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

    const DCB before = port.State();
    EXPECT_EQ(port.ConfigureLine(9600, 9, NOPARITY, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.ConfigureLine(9600, 8, 7, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.ConfigureLine(0, 8, NOPARITY, ONESTOPBIT), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.LastError(), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    const DCB after = port.State();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(SerialPortTest, ConfigureLineTurnsParityCheckingOnWithAParity)
{
    TestPort& port = Opened();
    using Row = std::tuple<LONG, LONG, DWORD>;  // data bits, parity, fParity
    for (const auto& [dataBits, parity, fParity] :
         {Row{7, EVENPARITY, 1}, Row{8, NOPARITY, 0}, Row{8, ODDPARITY, 1}, Row{8, NOPARITY, 0}}) {
        const DCB before = port.State();
        const LONG status = port.ConfigureLine(9600, dataBits, parity, ONESTOPBIT);
        if (status != 0) {
            // A pty may refuse parity: the device keeps its old line.
            EXPECT_EQ(port.State().fParity, before.fParity);
            continue;
        }
        const DCB after = port.State();
        EXPECT_EQ(after.fParity, fParity) << parity;
        // A pty forces no parity on the line; a real port reports the code.
        if (after.Parity == parity) {
            EXPECT_EQ(port.QueryParity(), parity);
        }
    }
}

TEST_F(SerialPortTest, QueryParityIsNoneWhileParityCheckingIsOff)
{
    TestPort& port = Opened();
    DCB dcb = port.State();
    dcb.Parity = EVENPARITY;
    dcb.fParity = 0;
    if (!SetCommState(port.Handle(), &dcb) || port.State().Parity != EVENPARITY)
        GTEST_SKIP() << "the device does not keep a parity code without parity checking";
    EXPECT_EQ(port.QueryParity(), NOPARITY);
    EXPECT_EQ(port.LastError(), 0);
}

TEST_F(SerialPortTest, TriggerCharAddsRxFlagToTheMaskOnlyWhenAsked)
{
    TestPort& port = Opened();
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

TEST_F(SerialPortTest, ARejectedEventMaskKeepsThePreviousMaskAndTheTriggerCharIsStillWritten)
{
    TestPort& port = Opened();
    EXPECT_EQ(port.SetEventMask(0x2000), static_cast<LONG>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);
    FailNextCalls("SetCommMask", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.SetEventMask(EV_RXCHAR), static_cast<LONG>(ERROR_GEN_FAILURE));
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);
    FailNextCalls("SetCommMask", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.SetTriggerChar('#', true), static_cast<LONG>(ERROR_GEN_FAILURE));
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);
    EXPECT_EQ(port.QueryTriggerChar(), '#');
    EXPECT_EQ(port.SetEventMask(EV_RXCHAR | EV_TXEMPTY), 0);
    EXPECT_EQ(port.QueryEventMask(), EV_RXCHAR | EV_TXEMPTY);
}

TEST_F(SerialPortTest, AFailingDeviceReadIsReportedByEverySettingAndQuery)
{
    TestPort& port = Opened();
    const LONG gen = static_cast<LONG>(ERROR_GEN_FAILURE);
    // A bad flow mode too: the read comes first.
    for (const PortCall& entry : kPortCalls) {
        if (!entry.readsState)
            continue;
        FailNextCalls("GetCommState", ERROR_GEN_FAILURE);
        EXPECT_EQ(entry.call(port), entry.failure == kTheError ? gen : entry.failure) << entry.name;
        EXPECT_EQ(port.LastError(), gen) << entry.name;
    }
    EXPECT_EQ(port.QueryEventMask(), 0xC1u);  // not read from the device
    FailNextCalls("GetCommTimeouts", ERROR_GEN_FAILURE);
    EXPECT_EQ(port.SetReadMode(5), gen);  // the read comes before the mode test
}

}  // namespace

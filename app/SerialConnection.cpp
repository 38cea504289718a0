#include "app/SerialConnection.h"

#include "app/ConnectionMessages.h"
#include "app/DeviceWatch.h"
#include "platform/MessageTarget.h"
#include "platform/OpenFailure.h"
#include "platform/PortNames.h"
#include "res/Strings.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tessaline::app {
namespace {

// "00 " .. "FF ", three characters per byte value.
const std::array<char, 256 * 3> kHexPairs = [] {
    std::array<char, 256 * 3> table{};
    const char digits[] = "0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
        table[value * 3] = digits[value >> 4];
        table[value * 3 + 1] = digits[value & 0x0F];
        table[value * 3 + 2] = ' ';
    }
    return table;
}();

// Event words during a hold: received characters are not reported then,
// only an input queue that has filled to 80 %.
constexpr DWORD kHeldEvents = EV_RX80FULL;

// Changes of the modem lines the device reports.
constexpr DWORD kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

// What the writer reports to the owner thread; LPARAM is the connection.
const UINT kOutputMessage = RegisterWindowMessageA("Tessaline_OutputMsg");

// The writer hands over about a quarter of a second of output at a time at
// the line's rate (10 bits a byte), so that a chunk that has not gone out
// after a second means the device holds output back.
std::size_t WriteChunkFor(DWORD baudRate)
{
    return std::clamp<std::size_t>(baudRate / 40, 16, 4096);
}

DWORD EventsOf(WPARAM wParam)
{
    return static_cast<DWORD>(wParam) & 0xFFFF;
}

bool ReportsReceived(UINT message, WPARAM wParam)
{
    return message == CSerialWnd::s_defaultComMsg && (EventsOf(wParam) & (EV_RXCHAR | kHeldEvents)) != 0;
}

}  // namespace

const UINT SerialConnection::s_deviceChangedMsg = RegisterWindowMessageA("Tessaline_DeviceChangedMsg");

SerialConnection::SerialConnection(Events& events) : m_events(events)
{
    m_target.m_hWnd = platform::RegisterMessageTarget([this](UINT message, WPARAM wParam, LPARAM lParam) {
        m_messagesPosted.fetch_add(1);
        if (ReportsReceived(message, wParam)) {
            // Every arrival is noted, also one whose notice is not queued.
            if (m_timestamps.load())
                wParam |= NoteArrival();
            // A nearly full input queue always gets through: it ends a hold;
            // so does a change of the modem lines.
            if ((EventsOf(wParam) & (kHeldEvents | kLineEvents)) == 0 && m_drainScheduled.exchange(true))
                return;
        }
        m_events.QueueMessage(SerialMessage{message, wParam, lParam});
    });
}

SerialConnection::~SerialConnection()
{
    // The port closes first: Close joins the watcher, so no post is in
    // flight afterwards; so does ending a wait for the device's watch. Then
    // the target goes, so that no sink call can reach the owner any more.
    StopWaiting();
    if (m_port.IsOpen())
        ClosePort();
    platform::UnregisterMessageTarget(m_target.m_hWnd);
    m_target.m_hWnd = nullptr;
    m_log.Close();
}

bool SerialConnection::Connect(const PortSettings& settings)
{
    EndWait();
    char name[24];
    std::snprintf(name, sizeof name, "COM%d", static_cast<int>(settings.port));
    m_settings = settings;
    m_bytesReceived = 0;
    // The device this name leads to now is the one a reconnection waits for.
    const std::string device = platform::ResolvePortName(name);
    if (!OpenPort(name)) {
        // Read at once: the record is this thread's last open attempt.
        m_events.ConnectFailed(ConnectFailureMessage(name, platform::LastOpenFailure()));
        return false;
    }
    m_portName = name;
    m_devicePath = device;
    return true;
}

bool SerialConnection::OpenPort(const char* device)
{
    ++m_connectionNumber;
    // A drain left scheduled for an earlier connection must not hold this
    // one's notifications back.
    m_drainScheduled.store(false);
    m_holding = false;
    // Marks left from an earlier connection must not time this one's bytes.
    m_splitter.Restart(m_bytesRead);
    m_dtr = false;
    m_rts = false;
    m_linesReportable = false;
    if (m_port.Open(device, &m_target, 0, m_connectionNumber, kInputQueue, 0) != 0) {
        // A device that opened but could not be set up is left open by the
        // port; it is closed, so that the next attempt starts afresh.
        if (m_port.IsOpen())
            m_port.Close();
        return false;
    }
    // A line setting the driver refuses leaves the previous one in place;
    // flow control is always off on a fresh connection.
    m_port.ConfigureLine(m_settings.baud, m_settings.dataBits, m_settings.parity, m_settings.stopBits);
    m_port.SetFlowControl(CSerialPort::FlowOff);
    m_line = m_settings;
    if (const DWORD baud = m_port.QueryBaudRate(); baud != 0xFFFFFFFFu)
        m_line.baud = static_cast<std::int32_t>(baud);
    if (const int dataBits = m_port.QueryDataBits(); dataBits >= 0)
        m_line.dataBits = dataBits;
    if (const int parity = m_port.QueryParity(); parity >= 0)
        m_line.parity = parity;
    if (const int stopBits = m_port.QueryStopBits(); stopBits >= 0)
        m_line.stopBits = stopBits;
    StartLinesAndOutput();
    return true;
}

void SerialConnection::StartLinesAndOutput()
{
    DWORD status = 0;
    m_linesReportable = GetCommModemStatus(m_port.Handle(), &status) != FALSE;
    // A device that cannot report its lines refuses their events as well.
    if (m_linesReportable)
        m_port.SetEventMask(m_port.QueryEventMask() | kLineEvents);
    const LPARAM connection = m_connectionNumber;
    m_writer.Start(m_port, WriteChunkFor(static_cast<DWORD>(m_line.baud)), [this, connection] {
        m_events.QueueMessage(SerialMessage{kOutputMessage, 0, connection});
    });
}

void SerialConnection::Disconnect()
{
    EndWait();
    if (m_port.IsOpen())
        ClosePort();
}

void SerialConnection::ClosePort()
{
    const bool held = m_writer.PeekState().held;
    m_writer.Stop();
    if (held)
        PurgeComm(m_port.Handle(), PURGE_TXCLEAR);
    m_port.Close();
}

std::uint64_t SerialConnection::Send(std::string_view bytes)
{
    if (!m_port.IsOpen())
        return 0;
    return m_writer.Enqueue(bytes);
}

bool SerialConnection::SetControlLine(ControlLine line, bool on)
{
    if (!ModemStatus())
        return false;
    const bool dtr = line == ControlLine::Dtr;
    const DWORD function = dtr ? (on ? SETDTR : CLRDTR) : (on ? SETRTS : CLRRTS);
    if (!EscapeCommFunction(m_port.Handle(), function))
        return false;
    (dtr ? m_dtr : m_rts) = on;
    return true;
}

bool SerialConnection::SetBreak(bool on)
{
    return m_port.IsOpen() && EscapeCommFunction(m_port.Handle(), on ? SETBREAK : CLRBREAK);
}

std::optional<DWORD> SerialConnection::ModemStatus()
{
    DWORD status = 0;
    if (!m_port.IsOpen() || !m_linesReportable || !GetCommModemStatus(m_port.Handle(), &status))
        return std::nullopt;
    return status & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
}

bool SerialConnection::IsOutputMessage(const SerialMessage& message)
{
    return message.message == kOutputMessage;
}

std::size_t SerialConnection::HandleMessage(const SerialMessage& message)
{
    if (IsOutputMessage(message)) {
        if (message.lParam == m_connectionNumber)
            m_events.OutputChanged();
        return 0;
    }
    if (message.message == CSerialWnd::s_defaultComMsg && (EventsOf(message.wParam) & kLineEvents) != 0 &&
        message.lParam == m_connectionNumber)
        m_events.LinesChanged();
    if (ReportsReceived(message.message, message.wParam)) {
        EndHold();
        // Cleared before reading: what comes during the drain is noticed.
        m_drainScheduled.store(false);
        return Drain();
    }
    if (message.message == CSerialWnd::s_defaultComMsg)
        OnSerialMsg(message.wParam, message.lParam);
    else if (message.message == CSerialWnd::s_watcherEndedMsg)
        OnWatcherEnded(message.lParam);
    else if (message.message == s_deviceChangedMsg)
        OnDeviceChanged(message.lParam);
    return 0;
}

bool SerialConnection::HoldNotices()
{
    if (m_timestamps.load() || m_drainScheduled.exchange(true))
        return false;
    // Held, the port reports a nearly full input queue instead of each
    // arrival, so that its watcher sleeps through the hold rather than wake
    // for every chunk only to have the notice dropped. Line errors and
    // breaks are still reported.
    if (m_port.IsOpen() && m_port.SetEventMask((m_port.QueryEventMask() & ~EV_RXCHAR) | kHeldEvents) == 0)
        m_holding = true;
    return true;
}

std::size_t SerialConnection::ReleaseNotices()
{
    // The mask comes back before the drain, so that a byte coming after the
    // drain's last read is noticed.
    EndHold();
    m_drainScheduled.store(false);
    return m_port.IsOpen() ? Drain(false) : 0;
}

std::size_t SerialConnection::DrainHeld()
{
    return m_holding && m_port.IsOpen() ? Drain(false) : 0;
}

void SerialConnection::EndHold()
{
    if (!m_holding)
        return;
    m_holding = false;
    if (m_port.IsOpen())
        m_port.SetEventMask((m_port.QueryEventMask() & ~kHeldEvents) | EV_RXCHAR);
}

void SerialConnection::ShowArrived()
{
    if (m_port.IsOpen())
        Drain(false);
}

LRESULT SerialConnection::OnSerialMsg(WPARAM wParam, LPARAM)
{
    if ((EventsOf(wParam) & EV_RXCHAR) == 0)
        return 0;
    Drain();
    return 0;
}

std::size_t SerialConnection::Drain(bool showEmpty, std::size_t limit)
{
    unsigned char buffer[kReadChunk + 1];
    std::size_t total = 0;
    DWORD count = 0;
    do {
        count = ReadChunk(buffer);
        if (count == 0 && total == 0 && !showEmpty)
            break;
        buffer[count] = 0;
        Received(buffer, count);
        total += count;
        m_bytesReceived += count;
    } while (count == kReadChunk && total < limit);
    // Input that comes faster than it is shown would keep one drain going
    // and the owner from everything else (a key waiting to go out): the
    // rest is drained on a notice queued behind what waits meanwhile, or by
    // the hold's next drain.
    if (count == kReadChunk && !m_drainScheduled.exchange(true))
        m_events.QueueMessage(SerialMessage{CSerialWnd::s_defaultComMsg, EV_RXCHAR, m_connectionNumber});
    return total;
}

DWORD SerialConnection::ReadChunk(unsigned char* buffer)
{
    std::lock_guard lock(m_readMutex);
    DWORD count = 0;
    m_port.Read(buffer, kReadChunk, &count, nullptr, INFINITE);
    if (count > kReadChunk)
        count = 0;
    m_bytesRead += count;
    return count;
}

void SerialConnection::Received(const unsigned char* bytes, std::size_t count)
{
    // The log comes first: what it holds never depends on the view.
    if (m_log.IsOpen() && count > 0)
        Log(bytes, count);
    std::string text;
    if (m_timestamps.load() && count > 0) {
        text.reserve(count * 3 + 32);
        m_splitter.Split(bytes, count, ArrivalMark::Now(m_bytesRead), m_frameGap, text);
    } else {
        text.reserve(count * 3);
        AppendHexPairs(text, bytes, count);
    }
    m_events.ShowReceived(text);
}

WPARAM SerialConnection::NoteArrival()
{
    std::lock_guard lock(m_readMutex);
    DWORD errors = 0;
    COMSTAT status{};
    if (!m_port.QueueStatus(&errors, &status))
        return 0;
    m_splitter.Note(ArrivalMark::Now(m_bytesRead + status.cbInQue));
    // The errors the call took are passed on with the notice.
    return static_cast<WPARAM>(errors & 0xFFFF) << 16;
}

void SerialConnection::SetTimestamps(bool on, std::chrono::milliseconds gap)
{
    m_frameGap = gap;
    if (on == m_timestamps.load())
        return;
    // Bytes read from now on start afresh, and every arrival is seen.
    if (on) {
        m_splitter.Restart(m_bytesRead);
        EndHold();
    }
    m_timestamps.store(on);
}

void SerialConnection::OnWatcherEnded(LPARAM connection)
{
    // A loss is handled once, and only for the connection still open.
    if (connection != m_connectionNumber || !m_port.IsOpen())
        return;
    // The bytes that came before the loss are still in the input queue.
    Drain(true, SIZE_MAX);
    ClosePort();
    if (m_reconnect && !m_devicePath.empty())
        WaitForDevice();
    else
        m_events.ConnectionLost(ConnectionLostMessage(m_portName));
}

void SerialConnection::WaitForDevice()
{
    const LPARAM wait = ++m_waitNumber;
    auto watch = std::make_unique<DeviceWatch>(m_devicePath, [this, wait] {
        m_events.QueueMessage(SerialMessage{s_deviceChangedMsg, 0, wait});
    });
    if (!watch->Start()) {
        m_events.ConnectionLost(ConnectionLostMessage(m_portName));
        return;
    }
    m_watch = std::move(watch);
    m_events.ShowStatus(res::FormatString(IDS_RECONNECT_WAITING, {m_portName, m_devicePath}));
}

void SerialConnection::StopWaiting()
{
    // Joins the watch's thread: nothing is posted for this wait afterwards,
    // and what was posted already no longer matches a wait.
    m_watch.reset();
    ++m_waitNumber;
}

void SerialConnection::EndWait()
{
    if (!m_watch)
        return;
    StopWaiting();
    m_events.ShowStatus(res::FormatString(AFX_IDS_IDLEMESSAGE));
}

void SerialConnection::OnDeviceChanged(LPARAM wait)
{
    if (!m_watch || wait != m_waitNumber)
        return;
    // The very path opened before, never what COMn leads to now. A failed
    // open keeps waiting: the watch calls again on the next change, and
    // within a second while the path exists.
    if (!OpenPort(m_devicePath.c_str()))
        return;
    StopWaiting();
    m_events.ShowStatus(res::FormatString(IDS_RECONNECTED, {m_portName}));
}

void SerialConnection::SetReconnect(bool on)
{
    m_reconnect = on;
    if (!on)
        EndWait();
}

bool SerialConnection::StartLog(const std::string& path)
{
    if (m_log.IsOpen())
        StopLog();
    if (m_log.Open(path))
        return true;
    ReportLogFailure();
    return false;
}

void SerialConnection::StopLog()
{
    if (m_log.IsOpen() && !m_log.Close())
        ReportLogFailure();
}

void SerialConnection::FlushLog()
{
    if (m_log.IsOpen() && !m_log.Flush())
        ReportLogFailure();
}

void SerialConnection::Log(const unsigned char* bytes, std::size_t count)
{
    const bool wasEmpty = m_log.Buffered() == 0;
    if (!m_log.Append(bytes, count))
        ReportLogFailure();
    else if (wasEmpty && m_log.Buffered() > 0)
        m_events.LogBuffered();
}

void SerialConnection::ReportLogFailure()
{
    m_events.LogFailed(res::FormatString(IDS_LOG_FAILED, {m_log.Path(), m_log.Failure()}));
}

void SerialConnection::AppendHexPairs(std::string& text, const unsigned char* bytes, std::size_t count)
{
    const std::size_t start = text.size();
    text.resize(start + count * 3);
    char* out = text.data() + start;
    for (std::size_t i = 0; i < count; ++i, out += 3) {
        const char* pair = &kHexPairs[bytes[i] * 3];
        out[0] = pair[0];
        out[1] = pair[1];
        out[2] = pair[2];
    }
}

}  // namespace tessaline::app

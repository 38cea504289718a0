// SerialConnection: the program's one connection to a serial port. It owns
// the port object. Connect opens "COM<n>" with the chosen settings,
// configures the line and switches flow control off; Disconnect closes it.
// On each notification that reports received characters it drains the port
// in reads of 100 bytes and hands every read on as hex text ("%02X " per
// byte). Bytes to send (typed keys, the send bar, a file) go through one
// queue and a writer thread (PortWriter), in order and without ever
// blocking the owner, also while the device holds output back. When the
// port's watcher ends on an error (the device went away) it shows what was
// still queued, closes the port, so that Connect works again, and reports
// the loss once.
//
// It also sets and clears DTR, RTS and break, and reads CTS, DSR, RI and DCD
// where the device has them; there the port's event mask also takes the
// line-change events, so that a change is reported rather than polled.
//
// It needs no window: it reports through Events, and its owner hands the
// port's messages over to its own thread and calls HandleMessage there. A
// notification of received characters is queued only while no drain is
// queued or held already: that drain reads whatever has come by then.
//
// Threading: everything runs on the owner thread, except the message sink,
// which runs on the watcher thread and only counts, checks the drain flag
// and calls QueueMessage, and the writer's report, which only calls
// QueueMessage.
#pragma once

#include "app/PortSettings.h"
#include "app/PortWriter.h"
#include "serial/SerialWnd.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaline::app {

struct SerialMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class SerialConnection
{
public:
    static constexpr DWORD kReadChunk = 100;

    class Events
    {
    public:
        virtual ~Events() = default;
        // The port's watcher or writer thread: passes `message` to the
        // owner thread without waiting; the owner thread then calls
        // HandleMessage with it.
        virtual void QueueMessage(const SerialMessage& message) = 0;
        // The hex text of one read, empty when the read brought nothing.
        virtual void ShowReceived(std::string_view text) = 0;
        // Connect failed; `message` says so in the user's words.
        virtual void ConnectFailed(const std::string& message) = 0;
        // The device went away; the port is closed already.
        virtual void ConnectionLost(const std::string& message) = 0;
        // The output has news (see TakeOutputState): bytes went out, it is
        // held or goes on again, or a write failed.
        virtual void OutputChanged() {}
        // CTS, DSR, RI or DCD changed (see ModemStatus).
        virtual void LinesChanged() {}
    };

    enum class ControlLine { Dtr, Rts };

    explicit SerialConnection(Events& events);
    ~SerialConnection();
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    bool IsOpen() const { return m_port.IsOpen(); }
    // Opens and configures the port; false after ConnectFailed was reported.
    bool Connect(const PortSettings& settings);
    void Disconnect();
    // Queues `bytes` behind what was queued before and returns at once.
    // Returns the bytes queued since Connect, these included, or 0 when
    // nothing was queued (closed, or the output failed).
    std::uint64_t Send(std::string_view bytes);
    // Takes back queued bytes that have not gone to the port yet, by their
    // positions in the queued count (see PortWriter::Discard).
    std::uint64_t DiscardOutput(std::uint64_t from, std::uint64_t to) { return m_writer.Discard(from, to); }
    // The output's state since Connect; lets the next OutputChanged come.
    PortWriter::State TakeOutputState() { return m_writer.TakeState(); }

    // Bytes received and bytes sent since Connect.
    std::uint64_t BytesReceived() const { return m_bytesReceived; }
    std::uint64_t BytesSent() const { return m_writer.PeekState().written; }
    // The port and line of the last Connect, as the port took them (the
    // handshake as chosen).
    const PortSettings& Line() const { return m_line; }
    const std::string& PortName() const { return m_portName; }
    // Whether the port waits for its lost device to come back.
    bool IsWaitingForDevice() const { return false; }

    // Sets or clears DTR or RTS; false, changing nothing, when the device
    // cannot report its modem lines (a pseudo-terminal has none).
    bool SetControlLine(ControlLine line, bool on);
    // Whether this connection set the line; both are off after Connect.
    bool ControlLineOn(ControlLine line) const { return line == ControlLine::Dtr ? m_dtr : m_rts; }
    // Holds the line in break or releases it; false when that failed.
    bool SetBreak(bool on);
    // CTS, DSR, RI and DCD as MS_*_ON bits; none while closed or where the
    // device cannot report them.
    std::optional<DWORD> ModemStatus();

    // A message of the port, on the owner thread; returns the bytes that a
    // notification of received characters drained.
    std::size_t HandleMessage(const SerialMessage& message);
    // Holds notifications of received characters back until the owner calls
    // ReleaseNotices, which it must do soon: meanwhile the port reports a
    // nearly full input queue instead of each arrival, and that notice, when
    // it comes, ends the hold and drains. False when a notification was
    // queued meanwhile; handling it drains, and nothing is held.
    bool HoldNotices();
    // Ends a hold, lets notifications through again and drains what came
    // meanwhile, showing nothing when nothing came; returns the bytes drained.
    std::size_t ReleaseNotices();
    // Drains what has arrived without waiting for its notification, showing
    // nothing when nothing has: an echo then follows the bytes before it.
    void ShowArrived();
    // Whether `message` is one of the output's reports rather than the
    // port's.
    static bool IsOutputMessage(const SerialMessage& message);
    // A notification: drains the input when it reports received characters.
    LRESULT OnSerialMsg(WPARAM wParam, LPARAM lParam);

    // Appends "%02X " for each of `count` bytes to `text`.
    static void AppendHexPairs(std::string& text, const unsigned char* bytes, std::size_t count);

    CSerialWndObj& Port() { return m_port; }
    // Messages the port has posted so far.
    unsigned MessagesPosted() const { return m_messagesPosted.load(); }

private:
    // Reads until the input is empty and shows each read; an empty first
    // read is shown only when `showEmpty`. Returns the bytes read.
    std::size_t Drain(bool showEmpty = true);
    // Gives the port back its event mask of before the hold, if one is on.
    void EndHold();
    void OnWatcherEnded(LPARAM connection);
    // Starts the output path and, where the device reports its modem
    // lines, adds their change events to the port's mask.
    void StartLinesAndOutput();
    // Stops the writer, then closes the port. Output the device holds back
    // is dropped first, so that the close does not wait for it.
    void ClosePort();

    Events& m_events;
    CSerialWndObj m_port;
    CWnd m_target;
    PortWriter m_writer;
    std::string m_portName;
    PortSettings m_line;
    std::uint64_t m_bytesReceived = 0;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_linesReportable = false;
    // Numbers each connection; its messages carry it, so that a loss
    // reported for an earlier connection never closes a later one.
    LPARAM m_connectionNumber = 0;
    std::atomic<unsigned> m_messagesPosted{0};
    // Set while a notification of received characters is queued to the
    // owner or notifications are held; further ones are not queued.
    std::atomic<bool> m_drainScheduled{false};
    // Whether a hold has changed the port's event mask (owner thread only).
    bool m_holding = false;
};

}  // namespace tessaline::app

// SerialConnection: the program's one connection to a serial port. It owns
// the port object. Connect opens "COM<n>" with the chosen settings,
// configures the line and switches flow control off; Disconnect closes it.
// On each notification that reports received characters it drains the port
// in reads of 100 bytes, up to an input queue's worth at a time (a stream
// faster than that is drained on in turns with the owner's other work); the
// bytes of every read go to the receive log, when one is open, before
// anything is shown, then on as hex text ("%02X " per byte), or, with
// timestamps on, split into bursts (see BurstSplitter).
// Bytes to send (typed keys, the send bar, a file) go through one queue and
// a writer thread (PortWriter), in order and without ever blocking the
// owner, also while the device holds output back.
//
// When the port's watcher ends on an error (the device went away) it shows
// what was still queued and closes the port. With reconnection off it
// reports the loss once, and Connect works again. With it on it waits for
// the same device path to come back (see DeviceWatch), meanwhile telling
// the user so, and reopens it with the same settings; Connect, Disconnect
// and the destructor end the wait. The log stays open throughout.
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
// which runs on the watcher thread and only counts, notes arrival times
// (timestamps on), checks the drain flag and calls QueueMessage, the
// writer's report and the device watch, which only call QueueMessage from
// their own threads.
#pragma once

#include "app/BurstSplitter.h"
#include "app/PortSettings.h"
#include "app/PortWriter.h"
#include "app/ReceiveLog.h"
#include "app/ReceivePort.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tessaline::app {

class DeviceWatch;
class TestPeer;

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
    // The input queue the port is opened with: room for a quarter of a
    // second of input at 921600 baud, so that notifications can be held
    // back that long while a stream comes in (see HoldNotices).
    static constexpr DWORD kInputQueue = 64 * 1024;
    // Posted by the device watch while reconnection waits; LPARAM = the
    // wait's number.
    static const UINT s_deviceChangedMsg;

    class Events
    {
    public:
        virtual ~Events() = default;
        // The port's watcher thread, the writer's or the device watch's:
        // passes `message` to the owner thread without waiting; the owner
        // thread then calls HandleMessage with it.
        virtual void QueueMessage(const SerialMessage& message) = 0;
        // The text of one read: its hex pairs (with timestamps on, also the
        // new lines and times of the bursts in it); empty when the read
        // brought nothing.
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
        // A text for the message pane: waiting for the device, reconnected.
        virtual void ShowStatus(const std::string&) {}
        // The log could not be opened or written and is closed; `message`
        // names the path and the reason. This may come in the middle of a
        // drain: nothing that runs the event loop (a modal box) may run
        // from here directly.
        virtual void LogFailed(const std::string&) {}
        // Bytes wait in the log's buffer: FlushLog is due within a second.
        virtual void LogBuffered() {}
    };

    enum class ControlLine { Dtr, Rts };

    explicit SerialConnection(Events& events);
    ~SerialConnection();
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    bool IsOpen() const { return m_port.IsOpen(); }
    // True while the port is closed after a loss and reconnection waits
    // for its device.
    bool IsWaitingForDevice() const { return m_watch != nullptr; }
    // Ends a wait, then opens and configures the port; false after
    // ConnectFailed was reported.
    bool Connect(const PortSettings& settings);
    // Closes the port, or ends a wait for its device.
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

    // Reconnection after a loss (on unless set off); setting it off ends a
    // wait.
    void SetReconnect(bool on);
    bool Reconnects() const { return m_reconnect; }
    // Bursts on lines of their own with their arrival time, for text from
    // now on; a burst follows a silence of at least `gap`.
    void SetTimestamps(bool on, std::chrono::milliseconds gap);
    bool ShowsTimestamps() const { return m_timestamps.load(); }

    // Starts logging received bytes to `path`, ending any log open before;
    // false after LogFailed was reported.
    bool StartLog(const std::string& path);
    // Writes out what the log buffers and closes it; a failure of that last
    // write is reported.
    void StopLog();
    // Writes out what the log buffers.
    void FlushLog();
    bool IsLogging() const { return m_log.IsOpen(); }
    const std::string& LogPath() const { return m_log.Path(); }

    // A message of the port, on the owner thread; returns the bytes that a
    // notification of received characters drained.
    std::size_t HandleMessage(const SerialMessage& message);
    // Holds notifications of received characters back until the owner calls
    // ReleaseNotices, which it must do soon: meanwhile the port reports a
    // nearly full input queue instead of each arrival, and that notice, when
    // it comes, ends the hold and drains. False when a notification was
    // queued meanwhile (handling it drains) or timestamps are on (arrivals
    // must be seen as they come); then nothing is held.
    bool HoldNotices();
    // Ends a hold, lets notifications through again and drains what came
    // meanwhile, showing nothing when nothing came; returns the bytes drained.
    std::size_t ReleaseNotices();
    // Whether a hold is on and has taken the port's notice of each arrival.
    bool IsHolding() const { return m_holding; }
    // During a hold, drains what came, showing nothing when nothing came,
    // and keeps the hold on, so that a steady stream is read in drains the
    // owner paces without the port's mask changing at each one; returns the
    // bytes drained (0 without a hold).
    std::size_t DrainHeld();
    // Drains what has arrived without waiting for its notification, showing
    // nothing when nothing has: an echo then follows the bytes before it.
    void ShowArrived();
    // Whether `message` is one of the output's reports rather than the
    // port's.
    static bool IsOutputMessage(const SerialMessage& message);
    // Appends "%02X " for each of `count` bytes to `text`.
    static void AppendHexPairs(std::string& text, const unsigned char* bytes, std::size_t count);

private:
    friend class TestPeer;

    // A notification: drains the input when it reports received characters.
    LRESULT OnSerialMsg(WPARAM wParam, LPARAM lParam);
    // Reads until the input is empty, or `limit` bytes have been read (the
    // rest then follows on a notification of its own), and shows each read;
    // an empty first read is shown only when `showEmpty`. Returns the bytes
    // read.
    std::size_t Drain(bool showEmpty = true, std::size_t limit = kInputQueue);
    // One read of up to kReadChunk bytes, counted in m_bytesRead.
    DWORD ReadChunk(unsigned char* buffer);
    // Logs and shows the bytes of one read.
    void Received(const unsigned char* bytes, std::size_t count);
    void Log(const unsigned char* bytes, std::size_t count);
    void ReportLogFailure();
    // Watcher thread: notes how many bytes have come by now; returns the
    // line errors this took from the port, as they go into a WPARAM.
    WPARAM NoteArrival();
    // Opens `device` with the settings of the last Connect.
    bool OpenPort(const char* device);
    // Gives the port back its event mask of before the hold, if one is on.
    void EndHold();
    void OnWatcherEnded(LPARAM connection);
    // Starts the output path and, where the device reports its modem
    // lines, adds their change events to the port's mask.
    void StartLinesAndOutput();
    // Stops the writer, then closes the port. Output the device holds back
    // is dropped first, so that the close does not wait for it.
    void ClosePort();
    void WaitForDevice();
    // Ends a wait without a word; EndWait also puts the idle text back.
    void StopWaiting();
    void EndWait();
    void OnDeviceChanged(LPARAM wait);

    Events& m_events;
    CReceivePort m_port;
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

    ReceiveLog m_log;

    std::atomic<bool> m_timestamps{false};
    std::chrono::milliseconds m_frameGap{100};
    BurstSplitter m_splitter;
    // Bytes read on all connections so far; written by the owner thread
    // with the read it counts, both under the lock, so that the watcher
    // thread's count of the bytes come by a moment (read plus queued) is
    // never off by a read in progress.
    std::mutex m_readMutex;
    std::uint64_t m_bytesRead = 0;

    // Reconnection: the settings and device path of the last Connect, and
    // the watch for that path while waiting; waits are numbered like
    // connections.
    bool m_reconnect = true;
    PortSettings m_settings;
    std::string m_devicePath;
    std::unique_ptr<DeviceWatch> m_watch;
    LPARAM m_waitNumber = 0;
};

}  // namespace tessaline::app

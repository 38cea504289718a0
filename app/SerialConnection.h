// SerialConnection: the program's one connection to a serial port. It owns
// the port object. Connect opens "COM<n>" with the chosen settings,
// configures the line and switches flow control off; Disconnect closes it.
// On each notification that reports received characters it drains the port
// in reads of 100 bytes and hands every read on as hex text ("%02X " per
// byte); typed bytes are written one at a time. When the port's watcher ends
// on an error (the device went away) it shows what was still queued, closes
// the port, so that Connect works again, and reports the loss once.
//
// It needs no window: it reports through Events, and its owner hands the
// port's messages over to its own thread and calls HandleMessage there. A
// notification of received characters is queued only while no drain is
// queued or held already: that drain reads whatever has come by then.
//
// Threading: everything runs on the owner thread, except the message sink,
// which runs on the watcher thread and only counts, checks the drain flag
// and calls QueueMessage.
#pragma once

#include "app/PortSettings.h"
#include "serial/SerialWnd.h"

#include <atomic>
#include <cstddef>
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
        // Watcher thread: passes `message` to the owner thread without
        // waiting; the owner thread then calls HandleMessage with it.
        virtual void QueueMessage(const SerialMessage& message) = 0;
        // The hex text of one read, empty when the read brought nothing.
        virtual void ShowReceived(std::string_view text) = 0;
        // Connect failed; `message` says so in the user's words.
        virtual void ConnectFailed(const std::string& message) = 0;
        // The device went away; the port is closed already.
        virtual void ConnectionLost(const std::string& message) = 0;
    };

    explicit SerialConnection(Events& events);
    ~SerialConnection();
    SerialConnection(const SerialConnection&) = delete;
    SerialConnection& operator=(const SerialConnection&) = delete;

    bool IsOpen() const { return m_port.IsOpen(); }
    // Opens and configures the port; false after ConnectFailed was reported.
    bool Connect(const PortSettings& settings);
    void Disconnect();
    // Writes each byte on its own, waiting for each; nothing while closed.
    void Send(std::string_view bytes);

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

    Events& m_events;
    CSerialWndObj m_port;
    CWnd m_target;
    std::string m_portName;
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

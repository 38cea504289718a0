// ReceivePacer: paces how the owner thread drains received bytes while a
// stream comes in. After each drain it works out, from the rate since the
// last one, how long the connection's notifications of each arrival can be
// held back (see SerialConnection::HoldNotices), holds them and drains on a
// timer instead. The hold lasts as long as the stream does: each timed drain
// that brings bytes starts the next wait, and only one that brings nothing,
// or more than a hold is for, lets each arrival be notified again. A steady
// stream then costs one wake-up of the owner per drain, and the port's
// threads sleep through it.
//
// Input that comes faster than it is shown is drained an input queue's
// worth at a time (see SerialConnection::Drain). The toolkit handles queued
// events in one go for as long as new ones keep coming, and such a stream
// keeps queuing the port's messages; so while a drain stops at its limit,
// the port's messages wait for a zero-delay timer, and the window's own
// events (a key to send) come in between.
//
// Threading: GUI thread only.
#pragma once

#include "app/SerialConnection.h"

#include <wx/timer.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>

namespace tessaline::app {

class ReceivePacer
{
public:
    // `onPacedDrain` runs after each timed drain that brought bytes.
    ReceivePacer(SerialConnection& connection, std::function<void()> onPacedDrain);
    ~ReceivePacer();
    ReceivePacer(const ReceivePacer&) = delete;
    ReceivePacer& operator=(const ReceivePacer&) = delete;

    // A message of the port (not one of the output's), handed over by the
    // owner thread: handled now, or soon while input outruns the drains.
    void OnPortMessage(const SerialMessage& message);
    // Stops the timer; a hold still on ends with the connection's next
    // notice or Connect.
    void Stop()
    {
        m_timer.Stop();
        m_soon.Stop();
    }

private:
    void Handle(const SerialMessage& message);
    // After a drain of `received` bytes a notification caused.
    void AfterDrain(std::size_t received);
    void Noted(std::size_t drained) { m_outrun = drained >= SerialConnection::kInputQueue; }
    // How long to hold notifications back after a drain of `received`
    // bytes, from the rate since the last drain; 0 for no hold.
    int NextHoldMs(std::size_t received);
    void OnTimer();

    SerialConnection& m_connection;
    std::function<void()> m_onPacedDrain;
    wxTimer m_timer;
    std::chrono::steady_clock::time_point m_lastDrain;
    bool m_outrun = false;  // the last drain stopped at its limit
    wxTimer m_soon;         // handles the messages that wait meanwhile
    std::deque<SerialMessage> m_waiting;
};

}  // namespace tessaline::app

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
// Threading: GUI thread only.
#pragma once

#include "app/SerialConnection.h"

#include <wx/timer.h>

#include <chrono>
#include <cstddef>
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

    // After the drain a notification caused, of `received` bytes.
    void AfterDrain(std::size_t received);
    // Stops the timer; a hold still on ends with the connection's next
    // notice or Connect.
    void Stop() { m_timer.Stop(); }

private:
    // How long to hold notifications back after a drain of `received`
    // bytes, from the rate since the last drain; 0 for no hold.
    int NextHoldMs(std::size_t received);
    void OnTimer();

    SerialConnection& m_connection;
    std::function<void()> m_onPacedDrain;
    wxTimer m_timer;
    std::chrono::steady_clock::time_point m_lastDrain;
};

}  // namespace tessaline::app

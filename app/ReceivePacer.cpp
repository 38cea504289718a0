#include "app/ReceivePacer.h"

#include <algorithm>

namespace tessaline::app {
namespace {

// While bytes arrive, notifications are held back for as long as this much
// input takes to come at the rate seen so far (half the port's input queue;
// should the rate rise, the port's notice of a nearly full queue ends the
// hold early), but never longer than the view takes between updates while
// text streams in; a hold shorter than kMinHoldMs is no hold, as under a
// flood.
constexpr double kHoldBytes = SerialConnection::kInputQueue / 2;
constexpr int kMaxHoldMs = 250;
constexpr int kMinHoldMs = 5;

}  // namespace

ReceivePacer::ReceivePacer(SerialConnection& connection, std::function<void()> onPacedDrain)
    : m_connection(connection), m_onPacedDrain(std::move(onPacedDrain))
{
    m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { OnTimer(); });
    m_soon.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        std::deque<SerialMessage> waiting;
        waiting.swap(m_waiting);
        for (const SerialMessage& message : waiting)
            Handle(message);
    });
}

ReceivePacer::~ReceivePacer()
{
    Stop();
}

void ReceivePacer::OnPortMessage(const SerialMessage& message)
{
    if (!m_outrun && m_waiting.empty()) {
        Handle(message);
        return;
    }
    m_waiting.push_back(message);
    if (!m_soon.IsRunning())
        m_soon.StartOnce(0);
}

void ReceivePacer::Handle(const SerialMessage& message)
{
    AfterDrain(m_connection.HandleMessage(message));
}

int ReceivePacer::NextHoldMs(std::size_t received)
{
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - m_lastDrain).count();
    m_lastDrain = now;
    // Nothing came, or the queue filled well during the last wait: let each
    // notification through again.
    if (received == 0 || received >= 2 * kHoldBytes)
        return 0;
    const double rate = static_cast<double>(received) / std::max(seconds, 1e-3);
    const int holdMs = static_cast<int>(std::min<double>(kMaxHoldMs, 1000.0 * kHoldBytes / rate));
    return holdMs >= kMinHoldMs ? holdMs : 0;
}

void ReceivePacer::AfterDrain(std::size_t received)
{
    Noted(received);
    const int holdMs = NextHoldMs(received);
    if (holdMs > 0 && m_connection.HoldNotices())
        m_timer.StartOnce(holdMs);
}

void ReceivePacer::OnTimer()
{
    // While the stream goes on, the hold goes on: the port's mask stays as
    // it is and its threads sleep through the drains.
    if (m_connection.IsHolding()) {
        const std::size_t drained = m_connection.DrainHeld();
        Noted(drained);
        if (const int holdMs = NextHoldMs(drained); holdMs > 0) {
            m_timer.StartOnce(holdMs);
            m_onPacedDrain();
            return;
        }
    }
    AfterDrain(m_connection.ReleaseNotices());
}

}  // namespace tessaline::app

#include "app/LineSignals.h"

#include "res/ResourceIds.h"

namespace tessaline::app {

LineSignals::LineSignals(SerialConnection& connection, std::function<void(unsigned textId)> showMessage)
    : m_connection(connection), m_showMessage(std::move(showMessage))
{
    // The break ends on the connection it began on; a closed port ignores
    // the release.
    m_breakTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_connection.SetBreak(false); });
}

LineSignals::~LineSignals()
{
    m_breakTimer.Stop();
}

void LineSignals::OnToggle(SerialConnection::ControlLine line)
{
    if (!m_connection.SetControlLine(line, !m_connection.ControlLineOn(line)))
        m_showMessage(IDS_LINES_UNSUPPORTED);
}

void LineSignals::OnUpdateToggle(SerialConnection::ControlLine line, wxUpdateUIEvent& event)
{
    const bool open = m_connection.IsOpen();
    event.Enable(open && m_connection.Line().handshake != CSerialPort::FlowHardware);
    event.Check(open && m_connection.ControlLineOn(line));
}

void LineSignals::OnBreak()
{
    if (m_breakTimer.IsRunning() || !m_connection.SetBreak(true))
        return;
    m_breakTimer.StartOnce(kBreakMs);
}

void LineSignals::OnUpdateBreak(wxUpdateUIEvent& event)
{
    event.Enable(m_connection.IsOpen());
}

}  // namespace tessaline::app

// LineSignals: the communication menu's control-line commands. DTR and RTS
// are check items that set and clear their line; they are enabled while
// connected without hardware handshaking, which owns both lines then. A
// device that cannot set them (a pseudo-terminal has no modem lines) keeps
// the item unchecked and the message pane says so. Break holds the line in
// break for kBreakMs on a one-shot timer, then releases it.
//
// Threading: GUI thread only.
#pragma once

#include "app/SerialConnection.h"

#include <wx/event.h>
#include <wx/timer.h>

#include <functional>

namespace tessaline::app {

class LineSignals
{
public:
    static constexpr int kBreakMs = 250;

    // `showMessage` puts a text from the string table into the message pane.
    LineSignals(SerialConnection& connection, std::function<void(unsigned textId)> showMessage);
    ~LineSignals();

    void OnToggle(SerialConnection::ControlLine line);
    void OnUpdateToggle(SerialConnection::ControlLine line, wxUpdateUIEvent& event);
    void OnBreak();
    void OnUpdateBreak(wxUpdateUIEvent& event);

private:
    SerialConnection& m_connection;
    std::function<void(unsigned textId)> m_showMessage;
    wxTimer m_breakTimer;
};

}  // namespace tessaline::app

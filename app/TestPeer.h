// TestPeer: the hooks that tests and benchmarks reach inside the
// application's classes through, and that the program itself never calls:
// the frame's connection, the connection's port, its count of posted
// messages and its notification handler, the view's insertion observer, the
// document manager and the demo device's line count. Each class that has
// such a hook names TestPeer its friend; nothing outside tests/ and bench/
// includes this header.
//
// Threading: as the member each hook reaches (GUI or owner thread, except
// MessagesPosted and LinesSent, which any thread may read).
#pragma once

#include "app/DemoDevice.h"
#include "app/MainFrame.h"
#include "app/SerialConnection.h"
#include "app/TessalineApp.h"
#include "app/TessalineView.h"

#include <cstdint>

namespace tessaline::app {

class TestPeer
{
public:
    static SerialConnection& Connection(CMainFrame& frame) { return frame.m_connection; }

    static CSerialWndObj& Port(SerialConnection& connection) { return connection.m_port; }
    // Messages the connection's port has posted so far.
    static unsigned MessagesPosted(const SerialConnection& connection) { return connection.m_messagesPosted.load(); }
    // A notification handed to the connection as its owner thread would.
    static LRESULT OnSerialMsg(SerialConnection& connection, WPARAM wParam, LPARAM lParam)
    {
        return connection.OnSerialMsg(wParam, lParam);
    }

    // Sees every text appended to the view, the empty ones included.
    static void SetInsertionObserver(CTessalineView& view, CTessalineView::InsertionObserver observer)
    {
        view.m_insertionObserver = std::move(observer);
    }

    static DocumentManager* Documents(const CTessalineApp& app) { return app.m_docManager; }

    // Lines the demo device has sent so far.
    static std::uint64_t LinesSent(const DemoDevice& device) { return device.m_linesSent.load(); }
};

}  // namespace tessaline::app

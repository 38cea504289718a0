// CMainFrame: the program's only top-level window. It carries Connect,
// Disconnect and Port settings with their enabling rules and routes them to
// the connection it owns; it builds the menu, toolbar and status bar, turns
// accelerator keys into commands before any window sees them as characters,
// and shows what the connection reports: received hex text in the terminal
// view, a message box when a port cannot be opened or its device went away,
// and reconnection in the message pane. While reconnection waits for the
// device the port counts as connected for Connect and Disconnect; Disconnect
// and Port settings end the wait. The log and reconnection items of the
// communication menu are RecordCommands'.
//
// The connection's messages come from the port's watcher thread; the frame
// queues them to itself as events and hands them back on the GUI thread.
// While bytes keep arriving at a modest rate it holds further notifications
// back and drains on a timer instead, at most a few KB at a time, so that a
// steady stream costs one wake-up per drain rather than one per notification.
//
// Threading: GUI thread, except QueueMessage, which only queues an event.
#pragma once

#include "app/RecordCommands.h"
#include "app/SerialConnection.h"
#include "ui/LockKeyWatch.h"

#include <wx/docview.h>
#include <wx/timer.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

class CTessalineDoc;
class CTessalineView;
class wxStatusBar;
class wxToolBar;

class CMainFrame : public wxDocParentFrame, private tessaline::app::SerialConnection::Events
{
public:
    CMainFrame();
    ~CMainFrame() override;

    // Creates the window (800 x 600) with its menu, toolbar and status bar;
    // false when a step fails.
    bool Create(wxDocManager* manager, const wxString& title);

    CTessalineDoc* GetActiveDocument() const;
    CTessalineView* GetActiveView() const;

    void OnPortConnect();
    void OnPortDisconnect();
    void OnPortSettings();
    void OnUpdatePortConnect(wxUpdateUIEvent& event);
    void OnUpdatePortDisconnect(wxUpdateUIEvent& event);

    tessaline::app::SerialConnection& Connection() { return m_connection; }
    RecordCommands& Record() { return m_record; }

    // The wxWidgets command of the accelerator that `event` matches, or
    // wxID_NONE.
    static int AcceleratorCommand(const wxKeyEvent& event);

private:
    // What the connection reports.
    void QueueMessage(const tessaline::app::SerialMessage& message) override;
    void ShowReceived(std::string_view text) override;
    void ConnectFailed(const std::string& message) override;
    void ConnectionLost(const std::string& message) override;
    void ShowStatus(const std::string& text) override;
    void LogFailed(const std::string& message) override;
    void LogBuffered() override;
    void ShowPortMessage(const std::string& message);

    bool OnCreate();
    void BindCommands();
    void OnQueuedMessage(wxThreadEvent& event);
    void PaceReceiving(std::size_t received);
    void OnCharHook(wxKeyEvent& event);
    void UpdateLockIndicators();
    void ToggleBar(wxWindow* bar);

    tessaline::app::SerialConnection m_connection;
    RecordCommands m_record;
    wxStatusBar* m_statusBar = nullptr;
    wxToolBar* m_toolBar = nullptr;
    tessaline::keys::LockKeyWatch m_lockKeys;
    wxTimer m_indicatorTimer;  // only where the toolkit gives no lock-state notice
    wxTimer m_receiveTimer;    // ends a hold on notifications of received bytes
    std::chrono::steady_clock::time_point m_lastDrain;
};

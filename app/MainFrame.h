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
// The communication menu's commands go to the parts that carry them out:
// the send bar (SendBar, laid out under the view), the file sender
// (FileSender), the control lines (LineSignals); the status panes
// (StatusPanes) show the modem lines, the connection and the counters. The
// clear command goes on to the view, as every menu command does first.
//
// The connection's messages come from the port's watcher thread; the frame
// queues them to itself as events and hands them back on the GUI thread.
// While bytes keep arriving at a modest rate, ReceivePacer holds further
// notifications back and drains on a timer instead, so that a steady stream
// costs one wake-up per drain rather than one per notification.
//
// Threading: GUI thread, except QueueMessage, which only queues an event.
#pragma once

#include "app/FileSender.h"
#include "app/LineSignals.h"
#include "app/ReceivePacer.h"
#include "app/RecordCommands.h"
#include "app/SerialConnection.h"
#include "app/StatusPanes.h"
#include "keys/LockKeyWatch.h"

#include <wx/docview.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaline::app {
class SendBar;
class TestPeer;
}  // namespace tessaline::app

class CTessalineDoc;
class CTessalineView;
class wxStatusBar;
class wxToolBar;

class CMainFrame : public wxDocParentFrame, private tessaline::app::SerialConnection::Events
{
public:
    CMainFrame();
    ~CMainFrame() override;

    // Creates the window (800 x 600) with its menu, toolbar and status bar,
    // and the send bar, shown when `showSendBar`; false when a step fails.
    bool Create(wxDocManager* manager, const wxString& title, bool showSendBar = false);

    // The view fills the client area above the send bar, when it is shown.
    bool Layout() override;

    CTessalineDoc* GetActiveDocument() const;
    CTessalineView* GetActiveView() const;

    void OnPortConnect();
    void OnPortDisconnect();
    void OnPortSettings();
    void OnUpdatePortConnect(wxUpdateUIEvent& event);
    void OnUpdatePortDisconnect(wxUpdateUIEvent& event);

    tessaline::app::SendBar* GetSendBar() const { return m_sendBar; }
    // Shows the send bar with the focus in its entry, or hides it and gives
    // the focus back to the view.
    void ShowSendBar(bool show);
    // Puts `text` (UTF-8) into the message pane; empty puts the idle text,
    // or that output is held while it is.
    void ShowMessageText(const std::string& text);
    tessaline::app::RecordCommands& Record() { return m_record; }

    // The wxWidgets command of the accelerator that `event` matches, or
    // wxID_NONE.
    static int AcceleratorCommand(const wxKeyEvent& event);

private:
    friend class tessaline::app::TestPeer;

    // What the connection reports.
    void QueueMessage(const tessaline::app::SerialMessage& message) override;
    void ShowReceived(std::string_view text) override;
    void ConnectFailed(const std::string& message) override;
    void ConnectionLost(const std::string& message) override;
    void OutputChanged() override;
    void LinesChanged() override;
    void ShowStatus(const std::string& text) override;
    void LogFailed(const std::string& message) override;
    void LogBuffered() override;
    void ShowPortMessage(const std::string& message);
    // The connection, line and counter panes, after Connect or a close.
    void UpdateConnectionPanes();
    // The counters since the last Connect; nothing before the first.
    void ShowCounters();
    // Shows the counters whenever `view` paints.
    void CountWithView(wxWindow* view);

    // Fills the created window: icons, menu bar, accelerators, toolbar,
    // status bar, send bar and the command bindings.
    bool BuildContents(bool showSendBar);
    void CreateSendBar(bool show);
    void BindCommands();
    void BindCommunicationCommands();
    void OnQueuedMessage(wxThreadEvent& event);
    void OnCharHook(wxKeyEvent& event);
    // Whether the key event comes from the send bar's entry or button.
    bool FromSendBar(const wxKeyEvent& event) const;
    void UpdateLockIndicators();
    void ToggleBar(wxWindow* bar);

    tessaline::app::SerialConnection m_connection;
    tessaline::app::StatusPanes m_panes;
    tessaline::app::LineSignals m_lines;
    tessaline::app::FileSender m_fileSender;
    tessaline::app::SendBar* m_sendBar = nullptr;
    bool m_outputHeldShown = false;
    bool m_counting = false;  // a Connect has succeeded
    wxWeakRef<wxWindow> m_countedView;
    tessaline::app::RecordCommands m_record;
    tessaline::app::ReceivePacer m_pacer;
    wxStatusBar* m_statusBar = nullptr;
    wxToolBar* m_toolBar = nullptr;
    tessaline::keys::LockKeyWatch m_lockKeys;
    wxTimer m_indicatorTimer;  // only where the toolkit gives no lock-state notice
};

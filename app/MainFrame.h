// CMainFrame: the program's only top-level window and the owner of the one
// serial port. It carries Connect, Disconnect and Port settings with their
// enabling rules, builds the menu, toolbar and status bar, turns
// accelerator keys into commands before any window sees them as characters,
// and receives the port's notifications: on each one that reports received
// characters it drains the port in reads of 100 bytes and appends every
// byte as two upper-case hex digits and a space to the terminal view.
//
// The frame registers itself as a message target of the platform layer; the
// watcher thread's posts are queued to the frame as events and handled here
// on the GUI thread.
//
// Threading: GUI thread, except the message sink, which only counts and
// queues an event.
#pragma once

#include "serial/SerialWnd.h"
#include "ui/LockKeyWatch.h"

#include <wx/docview.h>
#include <wx/timer.h>

#include <atomic>
#include <string>
#include <string_view>

class CTessalineDoc;
class CTessalineView;
class wxStatusBar;
class wxToolBar;

class CMainFrame : public wxDocParentFrame, public CWnd {
public:
    static constexpr DWORD kReadChunk = 100;

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
    LRESULT OnSerialMsg(WPARAM wParam, LPARAM lParam);

    // The wxWidgets command of the accelerator that `event` matches, or
    // wxID_NONE.
    static int AcceleratorCommand(const wxKeyEvent& event);

    // Appends "%02X " for each of `count` bytes to `text`.
    static void AppendHexPairs(std::string& text, const unsigned char* bytes, std::size_t count);

    // Notifications the port has posted to this frame so far.
    unsigned NotificationsPosted() const { return m_notificationsPosted.load(); }

    CSerialWndObj m_port;
    wxStatusBar* m_statusBar = nullptr;
    wxToolBar* m_toolBar = nullptr;

private:
    struct SerialMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    bool OnCreate();
    void OnQueuedMessage(wxThreadEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void UpdateLockIndicators();
    void ToggleBar(wxWindow* bar);

    std::atomic<unsigned> m_notificationsPosted{0};
    tessaline::keys::LockKeyWatch m_lockKeys;
    wxTimer m_indicatorTimer;  // only where the toolkit gives no lock-state notice
};

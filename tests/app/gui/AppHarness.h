// The running application of the GUI suite and helpers to drive it: the
// real CTessalineApp with its document, frame and view, created once by
// the suite's main; event pumping and waiting on conditions; a modal-dialog
// hook that lets a dialog run and drives it from inside its own loop.
#pragma once

#include "app/MainFrame.h"
#include "app/TessalineApp.h"
#include "app/TessalineDoc.h"
#include "app/TessalineView.h"
#include "res/CommandIds.h"
#include "tests/support/HexText.h"
#include "tests/support/WaitUntil.h"

#include <wx/modalhook.h>

#include <array>
#include <chrono>
#include <functional>

namespace tessaline::apptest {

CTessalineApp& App();
CMainFrame& Frame();
CTessalineDoc& Doc();
CTessalineView& View();
tessaline::ui::EditControl& Edit();

// The wxWidgets id of a command given by its classic number.
inline int Wx(int command)
{
    return res::WxIdFromCommand(command);
}

// Handles what is queued for the GUI thread (posted events, calls after).
void PumpEvents();
// Waits pump events (main sets the poll hook to PumpEvents).
using tessaline::testing::WaitUntil;

// Sends a menu (or toolbar) command to the frame, as a click would.
void SendCommand(int wxId, wxEvtHandler* source = nullptr);
// Whether the menu item of `wxId` is enabled after the menu was updated.
bool MenuItemEnabled(int wxId);
// Whether Connect, Port settings and Disconnect are enabled, in that order,
// and the states they show while the port is closed, open, or waiting for
// its device to come back.
using PortMenuState = std::array<bool, 3>;
PortMenuState PortMenus();
constexpr PortMenuState kPortClosed{true, true, false}, kPortOpen{false, false, true}, kPortWaiting{false, true, true};

using testing::HexText;

// Lets the next modal dialog run and, once its loop runs, calls `drive`
// with it; `drive` must end the dialog.
class DialogDriver : public wxModalDialogHook
{
public:
    explicit DialogDriver(std::function<void(wxDialog&)> drive);
    ~DialogDriver() override;
    int DialogsSeen() const { return m_seen; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    std::function<void(wxDialog&)> m_drive;
    int m_seen = 0;
};

// Answers every modal dialog with OK at once, keeps count, and notes the
// last message box's text, caption and style.
class CountDialogs : public wxModalDialogHook
{
public:
    CountDialogs() { Register(); }
    ~CountDialogs() override { Unregister(); }

    int Seen() const { return m_seen; }
    const wxString& LastMessage() const { return m_message; }
    const wxString& LastCaption() const { return m_caption; }
    long LastStyle() const { return m_style; }
    std::chrono::steady_clock::time_point FirstSeenAt() const { return m_firstAt; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

private:
    int m_seen = 0;
    wxString m_message, m_caption;
    long m_style = 0;
    std::chrono::steady_clock::time_point m_firstAt;
};

}  // namespace tessaline::apptest

#include "tests/app/gui/AppHarness.h"

#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>

namespace tessaline::apptest {

CTessalineApp& App()
{
    return *CTessalineApp::Get();
}

CMainFrame& Frame()
{
    return *App().GetMainFrame();
}

CTessalineDoc& Doc()
{
    return *Frame().GetActiveDocument();
}

CTessalineView& View()
{
    return *Frame().GetActiveView();
}

tessaline::ui::EditControl& Edit()
{
    return *View().GetEditControl();
}

void PumpEvents()
{
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
        loop->YieldFor(wxEVT_CATEGORY_ALL);
    wxTheApp->ProcessPendingEvents();
}

void SendCommand(int wxId, wxEvtHandler* source)
{
    wxCommandEvent event(wxEVT_MENU, wxId);
    event.SetEventObject(source ? source : &Frame());
    if (source)
        source->ProcessEvent(event);
    else
        Frame().ProcessWindowEvent(event);
}

bool MenuItemEnabled(int wxId)
{
    Frame().DoMenuUpdates();
    return Frame().GetMenuBar()->IsEnabled(wxId);
}

PortMenuState PortMenus()
{
    return {MenuItemEnabled(Wx(ID_PORT_CONNECT)), MenuItemEnabled(Wx(ID_PORT_SETTINGS)),
            MenuItemEnabled(Wx(ID_PORT_DISCONNECT))};
}

DialogDriver::DialogDriver(std::function<void(wxDialog&)> drive) : m_drive(std::move(drive))
{
    Register();
}

DialogDriver::~DialogDriver()
{
    Unregister();
}

int DialogDriver::Enter(wxDialog* dialog)
{
    ++m_seen;
    dialog->CallAfter([this, dialog] { m_drive(*dialog); });
    return wxID_NONE;
}

void DialogDriver::Exit(wxDialog*) {}

int CountDialogs::Enter(wxDialog* dialog)
{
    if (m_seen++ == 0)
        m_firstAt = std::chrono::steady_clock::now();
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        m_message = box->GetMessage();
        m_caption = box->GetCaption();
        m_style = box->GetMessageDialogStyle();
    }
    return wxID_OK;
}

}  // namespace tessaline::apptest

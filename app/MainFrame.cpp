#include "app/MainFrame.h"

#include "app/PortSettingsDlg.h"
#include "app/TessalineDoc.h"
#include "app/TessalineView.h"
#include "app/DocumentManager.h"
#include "platform/message_target.h"
#include "res/Resources.h"

#include <wx/app.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <array>
#include <cstdio>

namespace {

constexpr int kSerialMessageId = wxID_HIGHEST + 1;

const int kLockIndicators[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

wxString ResourceString(unsigned id)
{
    const char* text = tessaline::res::FindString(id);
    return text ? wxString::FromUTF8(text) : wxString();
}

// "00 " .. "FF ", three characters per byte value.
const std::array<char, 256 * 3> kHexPairs = [] {
    std::array<char, 256 * 3> table{};
    const char digits[] = "0123456789ABCDEF";
    for (int value = 0; value < 256; ++value) {
        table[value * 3] = digits[value >> 4];
        table[value * 3 + 1] = digits[value & 0x0F];
        table[value * 3 + 2] = ' ';
    }
    return table;
}();

}  // namespace

CMainFrame::CMainFrame()
{
    m_hWnd = tessaline::platform::RegisterMessageTarget([this](UINT message, WPARAM wParam, LPARAM lParam) {
        auto* event = new wxThreadEvent(wxEVT_THREAD, kSerialMessageId);
        event->SetPayload(SerialMessage{message, wParam, lParam});
        wxQueueEvent(static_cast<wxEvtHandler*>(this), event);
        m_notificationsPosted.fetch_add(1);
    });
}

CMainFrame::~CMainFrame()
{
    m_lockKeys.Stop();
    m_indicatorTimer.Stop();
    // The port closes first: Close joins the watcher, so no post is in
    // flight afterwards. Then the target goes, so that no sink call can reach
    // this frame any more; events already queued die with the frame.
    if (m_port.IsOpen())
        m_port.Close();
    tessaline::platform::UnregisterMessageTarget(m_hWnd);
    m_hWnd = nullptr;
}

bool CMainFrame::Create(wxDocManager* manager, const wxString& title)
{
    if (!wxDocParentFrame::Create(manager, nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(800, 600)))
        return false;
    return OnCreate();
}

bool CMainFrame::OnCreate()
{
    using namespace tessaline;

    SetIcons(res::MainIcons());
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    wxMenuBar* menuBar = res::CreateMainMenuBar();
    if (!menuBar)
        return false;
    SetMenuBar(menuBar);
    if (auto* documents = dynamic_cast<DocumentManager*>(GetDocumentManager()))
        documents->SetRecentFileMenu(menuBar->GetMenu(0));
    SetAcceleratorTable(res::CreateMainAccelerators());

    m_toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxNO_BORDER, wxID_ANY);
    if (!m_toolBar)
        return false;
    res::PopulateToolBar(m_toolBar, res::MainToolbar());
    m_toolBar->Realize();

    m_statusBar = CreateStatusBar(4);
    if (!m_statusBar)
        return false;
    int widths[4] = {-1, 0, 0, 0};
    for (int pane = 1; pane < 4; ++pane)
        widths[pane] = m_statusBar->GetTextExtent(ResourceString(kLockIndicators[pane - 1])).GetWidth() + 16;
    m_statusBar->SetStatusWidths(4, widths);
    SetStatusText(ResourceString(AFX_IDS_IDLEMESSAGE), 0);
    UpdateLockIndicators();

    const int connect = res::WxIdFromCommand(ID_PORT_CONNECT);
    const int disconnect = res::WxIdFromCommand(ID_PORT_DISCONNECT);
    const int settings = res::WxIdFromCommand(ID_PORT_SETTINGS);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnPortConnect(); }, connect);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnPortDisconnect(); }, disconnect);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePortConnect, this, connect);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePortDisconnect, this, disconnect);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnPortSettings(); }, settings);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePortConnect, this, settings);
    // View menu: each bar is shown or hidden, and its item is checked while
    // the bar is visible.
    const int toolbarCommand = res::WxIdFromCommand(ID_VIEW_TOOLBAR);
    const int statusBarCommand = res::WxIdFromCommand(ID_VIEW_STATUS_BAR);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ToggleBar(m_toolBar); }, toolbarCommand);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ToggleBar(m_statusBar); }, statusBarCommand);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_toolBar && m_toolBar->IsShown()); },
         toolbarCommand);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_statusBar && m_statusBar->IsShown()); },
         statusBarCommand);
    Bind(wxEVT_THREAD, &CMainFrame::OnQueuedMessage, this, kSerialMessageId);
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    // The lock panes follow the toolkit's notice of a changed lock state;
    // without one, the state is read twice a second.
    if (!m_lockKeys.Start([this] { UpdateLockIndicators(); })) {
        m_indicatorTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { UpdateLockIndicators(); });
        m_indicatorTimer.Start(500);
    }
    return true;
}

void CMainFrame::ToggleBar(wxWindow* bar)
{
    if (!bar)
        return;
    bar->Show(!bar->IsShown());
    SendSizeEvent();
}

CTessalineView* CMainFrame::GetActiveView() const
{
    wxDocManager* manager = GetDocumentManager();
    if (!manager)
        return nullptr;
    if (auto* view = wxDynamicCast(manager->GetCurrentView(), CTessalineView))
        return view;
    for (wxDocument* document : manager->GetDocumentsVector()) {
        for (wxView* view : document->GetViewsVector()) {
            if (auto* terminal = wxDynamicCast(view, CTessalineView))
                return terminal;
        }
    }
    return nullptr;
}

CTessalineDoc* CMainFrame::GetActiveDocument() const
{
    if (CTessalineView* view = GetActiveView())
        return wxDynamicCast(view->GetDocument(), CTessalineDoc);
    wxDocManager* manager = GetDocumentManager();
    return manager ? wxDynamicCast(manager->GetCurrentDocument(), CTessalineDoc) : nullptr;
}

void CMainFrame::OnUpdatePortConnect(wxUpdateUIEvent& event)
{
    event.Enable(!m_port.IsOpen());
}

void CMainFrame::OnUpdatePortDisconnect(wxUpdateUIEvent& event)
{
    event.Enable(m_port.IsOpen());
}

void CMainFrame::OnPortConnect()
{
    CTessalineDoc* document = GetActiveDocument();
    if (!document)
        return;
    const PortSettings settings = document->m_settings;
    char name[24];
    std::snprintf(name, sizeof name, "COM%d", static_cast<int>(settings.port));
    if (m_port.Open(name, this, 0, 0, 0, 0) != 0) {
        const wxString message = wxString::FromUTF8(name) + wxString::FromUTF8(" 포트를 열 수 없습니다.");
        wxMessageBox(message, wxTheApp->GetAppDisplayName(), wxOK | wxICON_ERROR, this);
        return;
    }
    // A line setting the driver refuses leaves the previous one in place;
    // flow control is always off on a fresh connection.
    m_port.ConfigureLine(settings.baud, settings.dataBits, settings.parity, settings.stopBits);
    m_port.SetFlowControl(CSerialPort::FlowOff);
}

void CMainFrame::OnPortDisconnect()
{
    if (m_port.IsOpen())
        m_port.Close();
}

void CMainFrame::OnPortSettings()
{
    CPortSettingsDlg dialog(nullptr);
    dialog.ShowModal();
}

void CMainFrame::AppendHexPairs(std::string& text, const unsigned char* bytes, std::size_t count)
{
    const std::size_t start = text.size();
    text.resize(start + count * 3);
    char* out = text.data() + start;
    for (std::size_t i = 0; i < count; ++i, out += 3) {
        const char* pair = &kHexPairs[bytes[i] * 3];
        out[0] = pair[0];
        out[1] = pair[1];
        out[2] = pair[2];
    }
}

LRESULT CMainFrame::OnSerialMsg(WPARAM wParam, LPARAM)
{
    if ((static_cast<DWORD>(wParam) & 0xFFFF & EV_RXCHAR) == 0)
        return 0;
    CTessalineView* view = GetActiveView();
    unsigned char buffer[kReadChunk + 1];
    std::string text;
    text.reserve(kReadChunk * 3);
    DWORD count = 0;
    do {
        count = 0;
        m_port.Read(buffer, kReadChunk, &count, nullptr, INFINITE);
        if (count > kReadChunk)
            count = 0;
        buffer[count] = 0;
        text.clear();
        AppendHexPairs(text, buffer, count);
        if (view)
            view->AppendText(text);
    } while (count == kReadChunk);
    return 0;
}

void CMainFrame::OnQueuedMessage(wxThreadEvent& event)
{
    const auto message = event.GetPayload<SerialMessage>();
    if (message.message == CSerialWnd::s_defaultComMsg)
        OnSerialMsg(message.wParam, message.lParam);
}

int CMainFrame::AcceleratorCommand(const wxKeyEvent& event)
{
    using namespace tessaline::res;
    for (const AcceleratorDef& accelerator : MainAccelerators()) {
        if (tessaline::keys::ChordMatches(accelerator.virtualKey, accelerator.modifiers, event))
            return WxIdFromCommand(accelerator.commandId);
    }
    return wxID_NONE;
}

void CMainFrame::OnCharHook(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    if (key == WXK_CAPITAL || key == WXK_NUMLOCK || key == WXK_SCROLL)
        CallAfter([this] { UpdateLockIndicators(); });
    const int command = AcceleratorCommand(event);
    if (command == wxID_NONE) {
        // Alt with a key is a menu mnemonic, never a character: the edit
        // control sits this key out, so that the toolkit opens the menu.
        if (event.AltDown() && !event.RawControlDown()) {
            CTessalineView* view = GetActiveView();
            if (tessaline::ui::EditControl* edit = view ? view->GetEditControl() : nullptr) {
                edit->SetEvtHandlerEnabled(false);
                wxWeakRef<tessaline::ui::EditControl> weak(edit);
                CallAfter([weak] {
                    if (weak)
                        weak->SetEvtHandlerEnabled(true);
                });
            }
        }
        event.Skip();
        return;
    }
    // The key is the command's, never a character; a disabled command makes
    // it do nothing at all.
    wxUpdateUIEvent update(command);
    update.SetEventObject(this);
    if (ProcessWindowEvent(update) && update.GetSetEnabled() && !update.GetEnabled())
        return;
    wxCommandEvent commandEvent(wxEVT_MENU, command);
    commandEvent.SetEventObject(this);
    ProcessWindowEvent(commandEvent);
}

void CMainFrame::UpdateLockIndicators()
{
    if (!m_statusBar)
        return;
    using tessaline::keys::LockKey;
    const LockKey keys[3] = {LockKey::Caps, LockKey::Num, LockKey::Scroll};
    for (int i = 0; i < 3; ++i) {
        const bool on = tessaline::keys::LockKeyWatch::IsOn(keys[i]);
        const wxString text = on ? ResourceString(kLockIndicators[i]) : wxString();
        if (m_statusBar->GetStatusText(i + 1) != text)
            m_statusBar->SetStatusText(text, i + 1);
    }
}

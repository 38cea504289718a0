#include "app/MainFrame.h"

#include "app/DocumentManager.h"
#include "app/FileNames.h"
#include "app/PortSettingsDlg.h"
#include "app/TessalineDoc.h"
#include "app/TessalineView.h"
#include "res/Resources.h"

#include <wx/app.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include <algorithm>

namespace {

constexpr int kSerialMessageId = wxID_HIGHEST + 1;

// While bytes arrive, notifications are held back for as long as this much
// input takes to come at the rate seen so far (half the input queue the port
// gets by default; should the rate rise, the port's notice of a nearly full
// queue ends the hold early), but never longer than the view takes between
// updates while text streams in; a hold shorter than kMinHoldMs is no hold,
// as under a flood.
constexpr double kHoldBytes = 2048;
constexpr int kMaxHoldMs = 250;
constexpr int kMinHoldMs = 5;

const int kLockIndicators[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
// The message pane, the lock panes, then the log pane.
constexpr int kPanes = 5;
constexpr int kLogPane = 4;

wxString ResourceString(unsigned id)
{
    const char* text = tessaline::res::FindString(id);
    return text ? wxString::FromUTF8(text) : wxString();
}

}  // namespace

CMainFrame::CMainFrame() : m_connection(*this), m_record(*this, m_connection) {}

CMainFrame::~CMainFrame()
{
    m_lockKeys.Stop();
    m_indicatorTimer.Stop();
    m_receiveTimer.Stop();
    // The port closes while the whole frame still stands: Close joins the
    // watcher, so no message is queued to the frame afterwards; events
    // already queued die with the frame.
    m_connection.Disconnect();
    if (auto* documents = dynamic_cast<DocumentManager*>(GetDocumentManager()))
        documents->SetViewSite({});
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
    if (auto* documents = dynamic_cast<DocumentManager*>(GetDocumentManager())) {
        documents->SetRecentFileMenu(menuBar->GetMenu(0));
        documents->SetViewSite({this, &m_connection});
    }
    SetAcceleratorTable(res::CreateMainAccelerators());

    m_toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxNO_BORDER, wxID_ANY);
    if (!m_toolBar)
        return false;
    res::PopulateToolBar(m_toolBar, res::MainToolbar());
    m_toolBar->Realize();

    m_statusBar = CreateStatusBar(kPanes);
    if (!m_statusBar)
        return false;
    int widths[kPanes] = {-1, 0, 0, 0, 0};
    for (int pane = 1; pane < 4; ++pane)
        widths[pane] = m_statusBar->GetTextExtent(ResourceString(kLockIndicators[pane - 1])).GetWidth() + 16;
    widths[kLogPane] = m_statusBar->GetTextExtent(ResourceString(IDS_PANE_LOG)).GetWidth() + 16;
    m_statusBar->SetStatusWidths(kPanes, widths);
    SetStatusText(ResourceString(AFX_IDS_IDLEMESSAGE), 0);
    UpdateLockIndicators();
    m_record.SetLogPane([this](const wxString& text) { SetStatusText(text, kLogPane); });

    BindCommands();
    Bind(wxEVT_THREAD, &CMainFrame::OnQueuedMessage, this, kSerialMessageId);
    m_receiveTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { PaceReceiving(m_connection.ReleaseNotices()); });
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    // The lock panes follow the toolkit's notice of a changed lock state;
    // without one, the state is read twice a second.
    if (!m_lockKeys.Start([this] { UpdateLockIndicators(); })) {
        m_indicatorTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { UpdateLockIndicators(); });
        m_indicatorTimer.Start(500);
    }
    return true;
}

void CMainFrame::BindCommands()
{
    using tessaline::res::WxIdFromCommand;
    const int connect = WxIdFromCommand(ID_PORT_CONNECT);
    const int disconnect = WxIdFromCommand(ID_PORT_DISCONNECT);
    const int settings = WxIdFromCommand(ID_PORT_SETTINGS);
    // View menu: each bar is shown or hidden, and its item is checked while
    // the bar is visible.
    const int toolbarCommand = WxIdFromCommand(ID_VIEW_TOOLBAR);
    const int statusBarCommand = WxIdFromCommand(ID_VIEW_STATUS_BAR);
    // One binding a line reads as a table.
    // clang-format off
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnPortConnect(); }, connect);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnPortDisconnect(); }, disconnect);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnPortSettings(); }, settings);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePortConnect, this, connect);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdatePortDisconnect, this, disconnect);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(!m_connection.IsOpen()); }, settings);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ToggleBar(m_toolBar); }, toolbarCommand);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ToggleBar(m_statusBar); }, statusBarCommand);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_toolBar && m_toolBar->IsShown()); },
         toolbarCommand);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_statusBar && m_statusBar->IsShown()); },
         statusBarCommand);
    // clang-format on
    m_record.BindTo(*this);
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
    event.Enable(!m_connection.IsOpen() && !m_connection.IsWaitingForDevice());
}

void CMainFrame::OnUpdatePortDisconnect(wxUpdateUIEvent& event)
{
    event.Enable(m_connection.IsOpen() || m_connection.IsWaitingForDevice());
}

void CMainFrame::OnPortConnect()
{
    if (CTessalineDoc* document = GetActiveDocument())
        m_connection.Connect(document->m_settings);
}

void CMainFrame::OnPortDisconnect()
{
    m_connection.Disconnect();
}

void CMainFrame::OnPortSettings()
{
    if (m_connection.IsWaitingForDevice())
        m_connection.Disconnect();
    CPortSettingsDlg dialog(nullptr);
    dialog.ShowModal();
}

void CMainFrame::QueueMessage(const tessaline::app::SerialMessage& message)
{
    auto* event = new wxThreadEvent(wxEVT_THREAD, kSerialMessageId);
    event->SetPayload(message);
    wxQueueEvent(static_cast<wxEvtHandler*>(this), event);
}

void CMainFrame::OnQueuedMessage(wxThreadEvent& event)
{
    PaceReceiving(m_connection.HandleMessage(event.GetPayload<tessaline::app::SerialMessage>()));
}

void CMainFrame::PaceReceiving(std::size_t received)
{
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - m_lastDrain).count();
    m_lastDrain = now;
    // Nothing came, or the queue filled well during the last wait: let each
    // notification through again.
    if (received == 0 || received >= 2 * kHoldBytes)
        return;
    const double rate = static_cast<double>(received) / std::max(seconds, 1e-3);
    const int holdMs = static_cast<int>(std::min<double>(kMaxHoldMs, 1000.0 * kHoldBytes / rate));
    if (holdMs >= kMinHoldMs && m_connection.HoldNotices())
        m_receiveTimer.StartOnce(holdMs);
}

void CMainFrame::ShowReceived(std::string_view text)
{
    CTessalineView* view = GetActiveView();
    if (!view)
        return;
    // A burst starts a new line, except as the view's first line.
    if (!text.empty() && text.front() == '\n' && view->GetEditControl() && view->GetEditControl()->GetTextLength() == 0)
        text.remove_prefix(1);
    view->AppendText(text);
}

void CMainFrame::ConnectFailed(const std::string& message)
{
    ShowPortMessage(message);
}

void CMainFrame::ConnectionLost(const std::string& message)
{
    ShowPortMessage(message);
}

void CMainFrame::ShowStatus(const std::string& text)
{
    if (m_statusBar)
        SetStatusText(tessaline::app::TextToWx(text), 0);
}

void CMainFrame::LogFailed(const std::string& message)
{
    m_record.LogFailed(message);
}

void CMainFrame::LogBuffered()
{
    m_record.LogBuffered();
}

void CMainFrame::ShowPortMessage(const std::string& message)
{
    wxMessageBox(wxString::FromUTF8(message), wxTheApp->GetAppDisplayName(), wxOK | wxICON_ERROR, this);
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

#include "app/MainFrame.h"

#include "app/ConnectionMessages.h"
#include "app/DocumentManager.h"
#include "app/FileNames.h"
#include "app/MessageBoxLog.h"
#include "app/PortSettingsDlg.h"
#include "app/SendBar.h"
#include "app/TessalineDoc.h"
#include "app/TessalineView.h"
#include "res/Bars.h"
#include "res/CommandIds.h"
#include "res/Icons.h"
#include "res/Menus.h"
#include "res/Strings.h"

#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <algorithm>

namespace {

constexpr int kSerialMessageId = wxID_HIGHEST + 1;

const unsigned kLockIndicators[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

wxString ResourceString(unsigned id)
{
    const char* text = tessaline::res::FindString(id);
    return text ? wxString::FromUTF8(text) : wxString();
}

}  // namespace

CMainFrame::CMainFrame()
    : m_connection(*this),
      m_lines(m_connection, [this](unsigned textId) { ShowMessageText(tessaline::res::FormatString(textId)); }),
      m_fileSender(m_connection, [this](const std::string& text) { ShowMessageText(text); }),
      m_record(*this, m_connection),
      // Paced drains come no faster than the view's updates: the counters
      // move with them, so that the status bar is drawn in the view's frame
      // rather than in one of its own right after.
      m_pacer(m_connection, [this] { ShowCounters(); })
{}

CMainFrame::~CMainFrame()
{
    m_lockKeys.Stop();
    m_indicatorTimer.Stop();
    m_pacer.Stop();
    // The port closes while the whole frame still stands: Close joins the
    // watcher, so no message is queued to the frame afterwards; events
    // already queued die with the frame.
    m_connection.Disconnect();
    if (auto* documents = dynamic_cast<tessaline::app::DocumentManager*>(GetDocumentManager()))
        documents->SetViewSite({});
}

bool CMainFrame::Create(wxDocManager* manager, const wxString& title, bool showSendBar)
{
    if (!wxDocParentFrame::Create(manager, nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(800, 600)))
        return false;
    return BuildContents(showSendBar);
}

bool CMainFrame::BuildContents(bool showSendBar)
{
    using namespace tessaline;

    SetIcons(res::MainIcons());
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    wxMenuBar* menuBar = res::CreateMainMenuBar();
    if (!menuBar)
        return false;
    SetMenuBar(menuBar);
    if (auto* documents = dynamic_cast<tessaline::app::DocumentManager*>(GetDocumentManager())) {
        documents->SetRecentFileMenu(menuBar->GetMenu(0));
        documents->SetViewSite({this, &m_connection});
    }
    SetAcceleratorTable(res::CreateMainAccelerators());

    m_toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxNO_BORDER, wxID_ANY);
    if (!m_toolBar)
        return false;
    res::PopulateToolBar(m_toolBar, res::MainToolbar());
    m_toolBar->Realize();

    m_statusBar = CreateStatusBar(tessaline::app::StatusPanes::kCount);
    if (!m_statusBar)
        return false;
    m_panes.Attach(m_statusBar, kLockIndicators);
    SetStatusText(ResourceString(AFX_IDS_IDLEMESSAGE), 0);
    UpdateLockIndicators();
    m_record.SetLogPane([this](const wxString& text) { m_panes.ShowLog(!text.empty()); });

    CreateSendBar(showSendBar);

    BindCommands();
    BindCommunicationCommands();
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

void CMainFrame::CreateSendBar(bool show)
{
    tessaline::app::SendBar::Handlers handlers;
    handlers.isConnected = [this] { return m_connection.IsOpen(); };
    handlers.send = [this](const std::string& bytes) { m_connection.Send(bytes); };
    handlers.showMessage = [this](const std::string& text) { ShowMessageText(text); };
    handlers.hide = [this] { ShowSendBar(false); };
    using tessaline::res::WxIdFromCommand;
    m_sendBar = new tessaline::app::SendBar(this, std::move(handlers),
                                            {WxIdFromCommand(ID_COMM_SEND_BAR), WxIdFromCommand(ID_COMM_LOG)});
    m_sendBar->Show(show);
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

void CMainFrame::BindCommunicationCommands()
{
    using tessaline::res::WxIdFromCommand;
    using Line = tessaline::app::SerialConnection::ControlLine;
    const int sendBar = WxIdFromCommand(ID_COMM_SEND_BAR);
    const int sendFile = WxIdFromCommand(ID_COMM_SEND_FILE);
    const int dtr = WxIdFromCommand(ID_COMM_DTR);
    const int rts = WxIdFromCommand(ID_COMM_RTS);
    const int breakCommand = WxIdFromCommand(ID_COMM_BREAK);
    // clang-format off
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowSendBar(!m_sendBar->IsShown()); }, sendBar);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_sendBar->IsShown()); }, sendBar);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_fileSender.OnCommand(this); }, sendFile);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) {
        event.Enable(m_connection.IsOpen());
        event.Check(m_fileSender.IsSending());
    }, sendFile);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_lines.OnToggle(Line::Dtr); }, dtr);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { m_lines.OnUpdateToggle(Line::Dtr, event); }, dtr);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_lines.OnToggle(Line::Rts); }, rts);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { m_lines.OnUpdateToggle(Line::Rts, event); }, rts);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_lines.OnBreak(); }, breakCommand);
    Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { m_lines.OnUpdateBreak(event); }, breakCommand);
    // clang-format on
}

void CMainFrame::ShowSendBar(bool show)
{
    if (!m_sendBar)
        return;
    if (m_sendBar->IsShown() != show) {
        m_sendBar->Show(show);
        Layout();
    }
    if (show) {
        m_sendBar->FocusEntry();
    } else if (CTessalineView* view = GetActiveView()) {
        if (tessaline::ui::EditControl* edit = view->GetEditControl())
            edit->SetFocus();
    }
}

bool CMainFrame::Layout()
{
    if (!m_sendBar)
        return wxDocParentFrame::Layout();
    const wxSize client = GetClientSize();
    int barHeight = 0;
    if (m_sendBar->IsShown()) {
        barHeight = std::min(m_sendBar->GetBestSize().y, client.y);
        m_sendBar->SetSize(0, client.y - barHeight, client.x, barHeight);
    }
    for (wxWindow* child : GetChildren()) {
        if (child != m_sendBar && !child->IsTopLevel() && !IsOneOfBars(child)) {
            child->SetSize(0, 0, client.x, client.y - barHeight);
            CountWithView(child);
        }
    }
    return true;
}

void CMainFrame::CountWithView(wxWindow* view)
{
    if (view == m_countedView.get())
        return;
    m_countedView = view;
    // The counters move when the view paints what came, never on a timer of
    // their own; the view's own painting follows.
    view->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
        event.Skip();
        ShowCounters();
    });
}

void CMainFrame::ShowCounters()
{
    if (m_counting)
        m_panes.ShowCounters(m_connection.BytesReceived(), m_connection.BytesSent());
}

void CMainFrame::ShowMessageText(const std::string& text)
{
    // With nothing to say, the pane keeps telling that output is held.
    if (!text.empty())
        SetStatusText(wxString::FromUTF8(text), 0);
    else
        SetStatusText(ResourceString(m_outputHeldShown ? IDS_OUTPUT_HELD : AFX_IDS_IDLEMESSAGE), 0);
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
        m_counting = m_connection.Connect(document->m_settings) || m_counting;
    UpdateConnectionPanes();
}

void CMainFrame::OnPortDisconnect()
{
    m_connection.Disconnect();
    m_fileSender.Stop();
    UpdateConnectionPanes();
}

void CMainFrame::UpdateConnectionPanes()
{
    std::string text;
    if (m_connection.IsWaitingForDevice())
        text = tessaline::res::FormatString(IDS_PANE_WAITING, {m_connection.PortName()});
    else if (m_connection.IsOpen())
        text = tessaline::app::ConnectionPaneText(m_connection.Line());
    m_panes.ShowConnection(text);
    m_panes.ShowLines(m_connection.ModemStatus());
    ShowCounters();
    if (m_outputHeldShown) {
        m_outputHeldShown = false;
        ShowMessageText(std::string());
    }
}

void CMainFrame::OutputChanged()
{
    const tessaline::app::PortWriter::State output = m_connection.TakeOutputState();
    if (output.held != m_outputHeldShown) {
        m_outputHeldShown = output.held;
        ShowMessageText(std::string());
    }
    m_fileSender.OnOutputChanged(output);
    ShowCounters();
}

void CMainFrame::LinesChanged()
{
    m_panes.ShowLines(m_connection.ModemStatus());
}

void CMainFrame::OnPortSettings()
{
    if (m_connection.IsWaitingForDevice())
        m_connection.Disconnect();
    tessaline::app::PortSettings unkept;  // without a document: the defaults, kept nowhere
    CTessalineDoc* document = GetActiveDocument();
    CPortSettingsDlg dialog(this, document ? document->m_settings : unkept);
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
    const auto message = event.GetPayload<tessaline::app::SerialMessage>();
    // The output's reports say nothing about the rate bytes come in at.
    if (tessaline::app::SerialConnection::IsOutputMessage(message))
        m_connection.HandleMessage(message);
    else
        m_pacer.OnPortMessage(message);
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
    m_fileSender.Stop();
    UpdateConnectionPanes();
    ShowPortMessage(message);
}

void CMainFrame::ShowStatus(const std::string& text)
{
    // A lost device stops a file being sent, also when reconnection waits.
    if (m_connection.IsWaitingForDevice())
        m_fileSender.Stop();
    UpdateConnectionPanes();
    ShowMessageText(text);
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
    wxMessageBox(wxString::FromUTF8(message), tessaline::app::MessageBoxLog::Caption(wxICON_ERROR), wxOK | wxICON_ERROR,
                 this);
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
    // In the send bar the frame's keys are the entry's own, except the two
    // that act on the bar and the log.
    if (FromSendBar(event) && command != tessaline::res::WxIdFromCommand(ID_COMM_SEND_BAR) &&
        command != tessaline::res::WxIdFromCommand(ID_COMM_LOG)) {
        event.Skip();
        return;
    }
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

bool CMainFrame::FromSendBar(const wxKeyEvent& event) const
{
    auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    return m_sendBar && window && (window == m_sendBar || m_sendBar->IsDescendant(window));
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

#include "app/TessalineApp.h"

#include "app/AboutDialog.h"
#include "app/DocumentManager.h"
#include "app/FileNames.h"
#include "app/MainFrame.h"
#include "app/MessageBoxLog.h"
#include "app/SendBar.h"
#include "app/TessalineDoc.h"
#include "app/TessalineView.h"
#include "platform/PortNames.h"
#include "res/Strings.h"
#include "ui/TextEncoding.h"

#include <wx/log.h>
#include <wx/msgdlg.h>

#include <cstdio>
#include <string>
#include <vector>

using tessaline::app::FileArgumentCheck;

namespace {

// Fields of the main frame's document string, by their classic positions.
constexpr int kRegFileTypeId = 5;
constexpr int kRegFileTypeName = 6;

wxString DocString(int field)
{
    const char* text = tessaline::res::FindString(IDR_MAINFRAME);
    wxString rest = text ? wxString::FromUTF8(text) : wxString();
    for (int i = 0; i < field; ++i)
        rest = rest.AfterFirst('\n');
    return rest.BeforeFirst('\n');
}

}  // namespace

CTessalineApp::CTessalineApp()
{
    Bind(wxEVT_MENU, &CTessalineApp::OnAboutCommand, this, wxID_ABOUT);
}
CTessalineApp::~CTessalineApp() = default;

CTessalineApp* CTessalineApp::Get()
{
    return dynamic_cast<CTessalineApp*>(wxTheApp);
}

CMainFrame* CTessalineApp::GetMainFrame() const
{
    return m_frame;
}

void CTessalineApp::ShowMessage(const std::string& text, long icon)
{
    const CTessalineApp* app = Get();
    wxWindow* parent = app ? app->GetMainFrame() : nullptr;
    wxMessageBox(tessaline::app::TextToWx(tessaline::app::ShortenedForMessageBox(text)),
                 tessaline::app::MessageBoxLog::Caption(icon), wxOK | icon,
                 parent && parent->IsShown() ? parent : nullptr);
}

bool CTessalineApp::OnInit()
{
    SetAppName(kAppName);
    SetVendorName(kVendorName);
    if (const char* title = tessaline::res::FindString(AFX_IDS_APP_TITLE))
        SetAppDisplayName(wxString::FromUTF8(title));
    delete wxLog::SetActiveTarget(new tessaline::app::MessageBoxLog);
    if (!m_state)
        m_state = tessaline::app::PrepareStartup(tessaline::app::StartupOptions{});
    m_terminal = m_state->terminal;
    for (const std::string& warning : m_state->warnings)
        wxLogWarning("%s", tessaline::app::TextToWx(tessaline::app::ShortenedForMessageBox(warning)));
    return InitInstance();
}

void CTessalineApp::StartDemoDevice()
{
    // The demo device takes COM1 over from the settings file and the
    // environment, but not from the command line.
    m_demo = std::make_unique<tessaline::app::DemoDevice>();
    if (!m_demo->Start()) {
        wxLogWarning("%s", wxString::FromUTF8(tessaline::res::FormatString(IDS_DEMO_DEVICE_FAILED,
                                                                           {wxString(wxSysErrorMsg()).utf8_string()})));
        return;
    }
    if (tessaline::platform::DescribePort("COM1").source != tessaline::platform::PortSource::CommandLine)
        tessaline::platform::SetPortAlias("COM1", m_demo->DevicePath(), tessaline::platform::PortSource::Demo);
}

bool CTessalineApp::InitInstance()
{
    if (m_state->options.demo)
        StartDemoDevice();

    m_docManager = new tessaline::app::DocumentManager;
    new wxDocTemplate(m_docManager, wxString::FromUTF8(tessaline::res::FormatString(IDS_FILTER_ALL_FILES)), "*",
                      wxString(), wxString(), DocString(kRegFileTypeId), DocString(kRegFileTypeName),
                      CLASSINFO(CTessalineDoc), CLASSINFO(CTessalineView), wxTEMPLATE_VISIBLE);
    m_docManager->LoadRecentFiles(m_state->settings.recentFiles);

    auto* frame = new CMainFrame;
    if (!frame->Create(m_docManager, GetAppDisplayName(), m_terminal.sendBar)) {
        delete frame;
        return false;
    }
    SetTopWindow(frame);
    m_frame = frame;

    const FileArgumentCheck& file = m_state->file;
    if (file.verdict == FileArgumentCheck::Verdict::StartUntitled || file.verdict == FileArgumentCheck::Verdict::Fail) {
        std::fprintf(stderr, "tessaline: %s\n", file.message.c_str());
        ShowMessage(file.message, wxICON_ERROR);
    }
    wxDocument* document = nullptr;
    if (file.verdict == FileArgumentCheck::Verdict::Open)
        document = m_docManager->CreateDocument(tessaline::app::FileNameToWx(m_state->options.file), wxDOC_SILENT);
    else if (file.verdict != FileArgumentCheck::Verdict::Fail)
        document = m_docManager->CreateDocument(wxString(), wxDOC_NEW);
    if (!document) {
        // The reason has been shown; no window stays behind.
        SetTopWindow(nullptr);
        m_frame = nullptr;
        delete frame;
        wxLog::FlushActive();
        return false;
    }
    frame->Show(true);
    frame->Update();
    ApplyTerminalOptions(*frame);
    return true;
}

void CTessalineApp::ApplyTerminalOptions(CMainFrame& frame)
{
    // The live options hold this run's command-line overrides already.
    frame.Record().ApplyOptions(m_terminal);
    if (tessaline::app::SendBar* bar = frame.GetSendBar())
        bar->SetHistory(m_terminal.sendHistory);
    if (CTessalineView* view = frame.GetActiveView()) {
        view->SetFontPointSize(m_terminal.fontSize);
        view->SetFontSizeObserver([this](int points) { m_terminal.fontSize = points; });
    }
    // The send bar's state is taken when the window closes, for saving.
    frame.Bind(wxEVT_CLOSE_WINDOW, [this, &frame](wxCloseEvent& event) {
        if (tessaline::app::SendBar* bar = frame.GetSendBar()) {
            m_terminal.sendBar = bar->IsShown();
            m_terminal.sendHistory = bar->GetHistory();
        }
        event.Skip();
    });
    if (!m_state->options.logFile.empty())
        frame.Record().StartLog(m_state->options.logFile);
}

void CTessalineApp::SaveSettings()
{
    // A file that could not be parsed at start stays exactly as it is.
    if (!m_state || !m_state->settings.parsed || !m_docManager)
        return;
    const tessaline::app::OwnedSettings before{m_state->settings.recentFiles, m_state->terminal};
    const tessaline::app::OwnedSettings now{m_docManager->RecentFiles(), m_terminal};
    std::string error;
    if (!tessaline::app::WriteSettings(m_state->settingsPath, before, now, &error))
        std::fprintf(stderr, "tessaline: the settings file %s was not updated: %s\n",
                     tessaline::ui::QuotedArgument(m_state->settingsPath).c_str(), error.c_str());
}

int CTessalineApp::OnExit()
{
    SaveSettings();
    delete m_docManager;
    m_docManager = nullptr;
    if (m_demo) {
        m_demo->Stop();
        m_demo.reset();
    }
    tessaline::platform::ClearPortAliases();
    return wxApp::OnExit();
}

void CTessalineApp::OnAboutCommand(wxCommandEvent&)
{
    OnAppAbout();
}

void CTessalineApp::OnAppAbout()
{
    CAboutDialog dialog(GetMainFrame());
    dialog.ShowModal();
}
